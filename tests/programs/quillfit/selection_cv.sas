/* SELECTION CV on the prostate data: 5 folds drawn from SEED 7, the 1SE rule; the listing names
   the folds and the rule and gives the CV error and its standard error at the selected lambda;
   OUTPATH and OUTINFO gain CV_ERROR and CV_SE; the criterion plot draws the CV error with its
   bars. Then the user's folds from a FOLD variable (ids 10, 20, 30 numbered 1 to 3; a missing id
   leaves its observation out), where FOLDS is ignored with a warning. */
proc quillfit data=examples.prostate outpath=path outinfo=info plots=criterion;
  model lpsa = lcavol lweight age lbph svi lcp gleason pgg45;
  selection cv;
  folds 5;
  seed 7;
  cvrule 1se;
run;
data f;
  set examples.prostate;
  g = 10 * (mod(_n_, 3) + 1);
  if _n_ = 4 then g = .;
run;
proc quillfit data=f outinfo=info2;
  model lpsa = lcavol lweight age lbph svi lcp gleason pgg45;
  selection cv;
  fold g;
  folds 4;
  maxiter 2000;
run;
