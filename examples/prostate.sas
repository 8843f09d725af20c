/* Prostate cancer (Stamey et al., 1989): log PSA of 97 men before radical prostatectomy
   against eight clinical measures, a normal linear model. The Gleason score enters as a
   CLASS predictor (one indicator per score, 9 the reference) and log cancer volume is
   always kept in the model. OUTPATH keeps the whole lambda path; PLOTS=ALL draws it and the
   BIC against lambda. */
libname ex 'data';
libname out 'out';

proc quillfit data=ex.prostate outbetas=out.prostate_betas outerrs=out.prostate_errs
              outinfo=out.prostate_info outpred=out.prostate_pred outpath=out.prostate_path
              plots=all details;
  model lpsa = lcavol lweight age lbph svi lcp gleason pgg45;
  class gleason;
  forcein lcavol;
run;

proc print data=out.prostate_betas;
run;
