/* Breast cancer biopsies (Wolberg and Mangasarian, 1990): benign or malignant against nine
   cytological scores, a logistic model. The response is text; the procedure models the
   larger value, "malignant", as Y=1. Rows with a missing bare-nuclei score (V6) are left out
   of the fit and get a missing prediction. The default grid would stop where seven of the nine
   scores are still in (and warn so); MAXLAMBDA FULL extends it to where every score has left. */
libname ex 'data';
libname out 'out';

proc quillfit data=ex.biopsy outbetas=out.biopsy_betas outinfo=out.biopsy_info
              outpred=out.biopsy_pred;
  model class = V1-V9;
  id ID;
  dist logistic;
  maxlambda full;
run;

proc print data=out.biopsy_info;
run;
