/* The top of the lambda grid on the biopsy data (logistic). The default grid stops where seven
   of the nine predictors are still in and the criterion ties up to its last value: a warning.
   MAXLAMBDA FULL extends the grid to where every penalized coefficient is 0; BIC then selects
   V1 V3 V4 V6 V7, the fit a larger MAXLAMBDA finds. The same with V2 forced in. */
proc quillfit data=examples.biopsy outpath=full_path;
  model class = V1-V9;
  dist logistic;
  maxlambda full;
run;
proc quillfit data=examples.biopsy;
  model class = V1-V9;
  dist logistic;
  forcein V2;
run;
proc quillfit data=examples.biopsy;
  model class = V1-V9;
  dist logistic;
  forcein V2;
  maxlambda full;
run;
