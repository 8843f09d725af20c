proc quillfit data=here.fit unshrink_se;
  model y = x1 x2;
run;
