/* OUTPATH for each model: one observation per grid value, the SELECTED row repeating OUTBETAS,
   missing statistics after the fit stops with every coefficient 0 (a normal response of mean 0
   up to a large MAXLAMBDA), the real effective df under DF PROJECTION and no GCV for a
   logistic or Poisson model. */
data centred;
  input y x1 x2;
  datalines;
1.5 1.2 0.3
-0.5 -0.4 1.1
2.0 1.9 -0.2
-1.0 -1.3 0.4
0.5 0.2 -0.9
-2.5 -2.2 0.1
1.0 0.7 0.8
-1.5 -1.1 -0.6
0.0 0.3 0.2
0.5 0.6 -0.5
;
run;
data counts;
  input n x1 x2;
  datalines;
3 0.48 1.09
1 0.03 1.67
9 1.99 0.94
1 1.52 1.18
10 1.73 0.95
2 0.43 1.93
8 1.01 0.77
4 0.33 1.72
4 1.66 1.15
4 1.6 0.82
7 1.23 0.09
3 1.2 0.06
3 0.08 1.74
6 0.92 1.04
4 1.44 0.48
;
run;
proc quillfit data=centred outpath=normal_path outbetas=normal_betas noprint;
  model y = x1 x2;
  df projection;
  gridsize 6;
  minlambda 0.04;
  maxlambda 4;
run;
proc print data=normal_betas; run;
proc print data=normal_path; run;
proc quillfit data=here.fit outpath=logistic_path noprint;
  model r = x1 x2;
  dist logistic;
  gridsize 5;
run;
proc print data=logistic_path; run;
proc quillfit data=counts outpath=poisson_path plots=criterion noprint;
  model n = x1 x2;
  dist poisson;
  gridsize 4;
run;
proc print data=poisson_path; run;
