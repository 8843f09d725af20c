/* FORMAT and INFORMAT in the procedure's step are refused by the host before the procedure sees
   them: the step does not run and writes nothing; the next step runs. */
proc quillfit data=here.fit noprint outbetas=betas;
  model y = x1 x2 x3;
  format x1 8.2;
  informat y 8.;
  gridsize 5;
run;
proc quillfit data=here.fit noprint outbetas=after;
  model y = x1 x2 x3;
  maxlambda 0.001;
  minlambda 0.0001;
  gridsize 5;
run;
