/* SELECTION EBIC on the prostate data (8 predictors): OUTPATH gains EBIC, which is BIC plus
   2 gamma ln C(8, k) on every row (k the nonzero coefficients; checked row by row in the engine's
   tests), the listing and OUTINFO name the criterion, and the plot draws it. EBICGAMMA must lie
   from 0 to 1. */
proc quillfit data=examples.prostate outpath=path outinfo=info plots=criterion;
  model lpsa = lcavol lweight age lbph svi lcp gleason pgg45;
  selection ebic;
  ebicgamma 1;
  maxlambda full;
  maxiter 2000;
run;
proc quillfit data=examples.prostate;
  model lpsa = lcavol lweight;
  selection ebic;
  ebicgamma 1.5;
run;
