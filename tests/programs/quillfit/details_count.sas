proc quillfit data=here.fit details;
  model y = x1 x2 x3;
run;
