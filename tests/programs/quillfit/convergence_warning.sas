proc quillfit data=here.fit noprint outinfo=info;
  model y = x1 x2 x3;
  maxiter 1;
run;
