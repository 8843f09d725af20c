/* Breast cancer biopsies again, with the data prepared in a DATA step before the fit: the 16
   samples without a bare-nuclei score (V6) are left out, the response becomes a 0/1 indicator,
   clump thickness enters on the log scale, and a macro variable holds the predictor list. The
   fit is the logistic model of biopsy.sas on the prepared data set. */
libname ex 'data';
libname out 'out';
%let scores = V2-V9;

data out.biopsy_prepared;
  set ex.biopsy(drop=ID rename=(V1=thickness));
  if not missing(V6);
  malignant = (class = 'malignant');
  log_thickness = log(thickness);
  drop class thickness;
run;

proc quillfit data=out.biopsy_prepared outbetas=out.biopsy_prepared_betas;
  model malignant = log_thickness &scores;
  dist logistic;
  maxlambda full;
run;

proc print data=out.biopsy_prepared_betas;
run;
