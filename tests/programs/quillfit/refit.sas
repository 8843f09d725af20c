/* SELECTION BIC / REFIT on the prostate data: the selected set's unpenalized fit is reported
   (lm's on lcavol, lweight, svi, checked in R), OUTPATH carries each set's refit BIC; with
   SELECTION CV the option is refused. */
proc quillfit data=examples.prostate outpath=refit_path;
  model lpsa = lcavol lweight age lbph svi lcp gleason pgg45;
  selection bic / refit;
run;
data top;
  set refit_path;
  if selected = 1;
  keep lambda refit_bic simple_df;
run;
proc print data=top; run;
proc quillfit data=examples.prostate;
  model lpsa = lcavol lweight age;
  selection cv / refit;
run;
