proc quillfit data=here.fit details;
  model y = x1 x2 x3 k;
  class k / descending;
  df projection;
  maxlambda 0.001;
  minlambda 0.0001;
  gridsize 5;
run;
