/* The three models at lambda 0 are the maximum-likelihood fits: coefficients, standard errors,
   criteria and predictions against R's glm() (derive/glm_models.R). CLASS levels are coded
   against the last one (the first with DESCENDING); OFFSET= is glm()'s offset; BY groups are
   separate fits. Outputs go to CSV files in the run's folder, read back by the near: lines. */
libname out '.';
proc quillfit data=examples.prostate outbetas=out.normal_betas outerrs=out.normal_errs
              outpath=out.normal_path outpred=out.normal_pred noprint;
  model lpsa = lcavol lweight age lbph svi lcp gleason pgg45;
  class gleason;
  gridsize 1; minlambda 0; maxlambda 0;
run;
proc quillfit data=examples.biopsy outbetas=out.logistic_betas outerrs=out.logistic_errs
              outpath=out.logistic_path outpred=out.logistic_pred noprint;
  model class = V1 V2 V3 V4 V5 V6 V7 V8 V9;
  dist logistic;
  gridsize 1; minlambda 0; maxlambda 0;
run;
proc quillfit data=examples.biochemists outbetas=out.poisson_betas outerrs=out.poisson_errs
              outpath=out.poisson_path outpred=out.poisson_pred noprint;
  model art = fem mar kid5 phd ment;
  class fem mar;
  dist poisson;
  gridsize 1; minlambda 0; maxlambda 0;
run;
proc quillfit data=examples.prostate outbetas=out.offset_betas outerrs=out.offset_errs noprint;
  model lpsa = lcavol lweight gleason / offset=lcp;
  class gleason / descending;
  gridsize 1; minlambda 0; maxlambda 0;
run;
proc sort data=examples.prostate out=by_svi;
  by svi;
run;
proc quillfit data=by_svi outbetas=out.by_betas outerrs=out.by_errs noprint;
  by svi;
  model lpsa = lcavol lweight age lbph lcp pgg45;
  gridsize 1; minlambda 0; maxlambda 0;
run;
