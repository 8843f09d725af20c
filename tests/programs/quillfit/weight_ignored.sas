proc quillfit data=here.fit;
  model y = x1 x2;
  weight x3;
run;
