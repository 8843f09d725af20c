/* ROBUST and WEIGHT at lambda 0 against R (derive/robust_weights.R): the sandwich errors of the
   three models are HC0, computed there by hand; a frequency-weighted fit is the fit of the rows
   repeated as often as their weights say, its model-based errors (normal: sigma^2 over sum w - k)
   and its robust ones alike. The rows of weight 0, missing or negative are left out. */
libname out '.';
proc quillfit data=examples.prostate outerrs=out.normal_robust robust;
  model lpsa = lcavol lweight age lbph svi lcp gleason pgg45;
  gridsize 1; minlambda 0; maxlambda 0;
run;
proc quillfit data=examples.biopsy outerrs=out.logistic_robust robust noprint;
  model class = V1 V2 V3 V4 V5 V6 V7 V8 V9;
  dist logistic;
  gridsize 1; minlambda 0; maxlambda 0;
run;
proc quillfit data=examples.biochemists outerrs=out.poisson_robust robust noprint;
  model art = fem mar kid5 phd ment;
  class fem mar;
  dist poisson;
  gridsize 1; minlambda 0; maxlambda 0;
run;
data weighted;
  input y x1 x2 w;
  datalines;
0.478 0.041 0.465 2
1.107 0.353 0.926 1
2.739 1.562 -0.885 3
0.699 -0.705 -0.784 1
1.323 0.221 0.419 2
1.24 2.234 0.863 0
1.114 0.204 -0.623 1
0.79 1.306 -0.223 3
0.572 0.311 -0.291 .
0.559 -0.921 -0.625 2
1.908 -0.427 0.071 1
0.589 -0.8 -0.807 -1
3.234 1.096 -0.706 2
0.432 -1.308 -1.032 1
;
proc quillfit data=weighted outbetas=out.normal_weighted_betas outerrs=out.normal_weighted_errs
              noprint;
  model y = x1 x2;
  weight w;
  gridsize 1; minlambda 0; maxlambda 0;
run;
data articles;
  set examples.biochemists;
  w = 1 + mod(_n_, 3);
run;
proc quillfit data=articles outbetas=out.poisson_weighted_betas
              outerrs=out.poisson_weighted_errs robust noprint;
  model art = fem mar kid5 phd ment;
  class fem mar;
  weight w;
  dist poisson;
  gridsize 1; minlambda 0; maxlambda 0;
run;
