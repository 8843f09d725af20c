proc quillfit data=here.fit noprint outbetas=betas outerrs=errs outinfo=info outpred=pred;
  model y = x1 x2 x3;
  maxlambda 0.001;
  minlambda 0.0001;
  gridsize 5;
run;
