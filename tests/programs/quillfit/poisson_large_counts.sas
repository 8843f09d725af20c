/* Counts of any size are counts: the same data with every count times 10^9 fit with the same
   slopes and the intercept shifted by ln(10^9) = 20.7232658. Both predictors are forced in, so
   the one lambda 0 gives the maximum-likelihood fit. */
data small;
  input n x1 x2;
  datalines;
3 0.48 1.09
1 0.03 1.67
5 1.99 0.94
1 1.52 1.18
6 1.73 0.95
2 0.43 1.93
4 1.01 0.77
2 0.33 1.72
4 1.66 1.15
3 1.6 0.82
5 1.23 0.09
3 1.2 0.06
1 0.08 1.74
4 0.92 1.04
2 1.44 0.48
;
run;
data large;
  input n x1 x2;
  datalines;
3000000000 0.48 1.09
1000000000 0.03 1.67
5000000000 1.99 0.94
1000000000 1.52 1.18
6000000000 1.73 0.95
2000000000 0.43 1.93
4000000000 1.01 0.77
2000000000 0.33 1.72
4000000000 1.66 1.15
3000000000 1.6 0.82
5000000000 1.23 0.09
3000000000 1.2 0.06
1000000000 0.08 1.74
4000000000 0.92 1.04
2000000000 1.44 0.48
;
run;
proc quillfit data=small;
  model n = x1 x2;
  dist poisson;
  forcein x1 x2;
  gridsize 1;
  minlambda 0;
run;
proc quillfit data=large;
  model n = x1 x2;
  dist poisson;
  forcein x1 x2;
  gridsize 1;
  minlambda 0;
run;
