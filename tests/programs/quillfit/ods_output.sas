/* ODS OUTPUT keeps PROC QUILLFIT's printed tables as data sets: ParameterEstimates and FitSummary
   (with data set options), under BY one data set of every group after the BY variable; a table
   the step does not print (NOPRINT, or a name it has none of) gets SAS's warning; other ODS
   statements keep their note. Outputs go to CSV files in the run's folder. */
libname out '.';
ods output ParameterEstimates=out.pe FitSummary=out.fit(keep=label1 nvalue1);
proc quillfit data=examples.prostate;
  model lpsa = lcavol lweight age lbph svi lcp gleason pgg45;
  class gleason;
  gridsize 1; minlambda 0; maxlambda 0;
run;
proc sort data=examples.prostate out=by_svi; by svi; run;
ods output ParameterEstimates=out.pe_by Nosuch=never;
proc quillfit data=by_svi;
  by svi;
  model lpsa = lcavol lweight age lbph lcp pgg45;
  gridsize 1; minlambda 0; maxlambda 0;
run;
ods html close;
ods output ParameterEstimates=quiet;
proc quillfit data=examples.prostate noprint; model lpsa = lcavol; run;
ods output ParameterEstimates=closed;
ods output close;
proc quillfit data=examples.prostate; model lpsa = lcavol; run;
