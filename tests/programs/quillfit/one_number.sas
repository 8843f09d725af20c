/* One number per quantity. The effective df at lambda 0.01 is the same real value in the
   listing, OUTINFO and OUTPATH; a term the fit removed has the standard error 0 in OUTERRS;
   a zero CLASS level is left out of the table like a zero numeric predictor; lambdas keep
   four significant digits. */
proc quillfit data=examples.prostate outinfo=info outpath=path details;
  model lpsa = lcavol lweight age lbph svi lcp gleason pgg45;
  df projection;
  gridsize 1;
  minlambda 0.01;
run;
proc print data=info; run;
proc quillfit data=examples.prostate details;
  model lpsa = lcavol lweight age lbph svi lcp gleason pgg45;
  class gleason;
  forcein lcavol;
  maxiter 5000;
run;
proc quillfit data=examples.biochemists outerrs=errs noprint;
  model art = fem mar kid5 phd ment;
  class fem mar;
  dist poisson;
  df projection;
run;
proc print data=errs; run;
