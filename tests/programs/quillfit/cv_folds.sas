/* SELECTION CV over given folds at the one lambda 0: each fold's fit is the maximum-likelihood
   fit of the other folds, so the CV error and its standard error are those R computes from glm()
   per fold (derive/cv_folds.R): the mean held-out deviance, a weighted mean under WEIGHT. */
libname out '.';
data prostate;
  set examples.prostate;
  fold = mod(_n_, 4) + 1;
run;
proc quillfit data=prostate outinfo=out.normal_cv noprint;
  model lpsa = lcavol lweight age lbph svi lcp gleason pgg45;
  selection cv;
  fold fold;
  gridsize 1; minlambda 0; maxlambda 0;
run;
data biopsy;
  set examples.biopsy;
  fold = mod(_n_, 5) + 1;
run;
proc quillfit data=biopsy outinfo=out.logistic_cv noprint;
  model class = V1 V2 V3 V4 V5 V6 V7 V8 V9;
  dist logistic;
  selection cv;
  fold fold;
  gridsize 1; minlambda 0; maxlambda 0;
run;
data articles;
  set examples.biochemists;
  fold = mod(_n_, 3) + 1;
  w = 1 + mod(_n_, 2);
run;
proc quillfit data=articles outinfo=out.poisson_cv noprint;
  model art = fem mar kid5 phd ment;
  class fem mar;
  weight w;
  dist poisson;
  selection cv;
  fold fold;
  gridsize 1; minlambda 0; maxlambda 0;
run;
