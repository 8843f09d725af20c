/* BY groups: three groups, the second with a constant response, fitted one by one; each group's fit
   equals the fit of its rows alone (run below without BY). Unsorted data are refused. */
data three;
  input grp $ y x1 x2;
  datalines;
a 0.89 -0.7 -1.4
a 1.66 0.14 -0.54
a -2.05 -1.77 0.03
a -0.68 -1.72 -1.64
a -0.66 -0.3 1.31
a 0.48 0.51 1.79
a 2.18 0.31 -0.41
a 4.68 1.43 -0.84
a -0.64 -1.42 -1.53
b 5 -1.28 0.33
b 5 0.56 -0.51
b 5 0.19 -1.75
b 5 -1.76 -1.18
b 5 0.72 -0.29
b 5 -0.74 0.34
b 5 -0.19 -0.8
b 5 1.18 0.8
b 5 -1.02 0.3
c 3.41 0.1 1.5
c -3.84 0.92 -0.85
c 0.89 -0.33 1.03
c -2.09 -1.39 -0.04
c -0.42 1.06 0.29
c -3.73 1.5 -0.75
c -3.01 0.32 -0.18
c 3.29 1.36 1.78
c -0.33 -1.76 0.81
;
title 'Three groups';
proc quillfit data=three outbetas=betas outinfo=info outpred=pred outpath=path plots=path;
  by grp;
  model y = x1 x2;
  gridsize 10;
run;
proc quillfit data=three(where=(grp='a')) outbetas=alone_a noprint; model y = x1 x2; gridsize 10; run;
proc quillfit data=three(where=(grp='c')) outbetas=alone_c noprint; model y = x1 x2; gridsize 10; run;
proc sort data=three out=down; by descending grp; run;
proc quillfit data=down outbetas=nothing; by grp; model y = x1 x2; run;
proc quillfit data=down outbetas=down_betas noprint; by descending grp; model y = x1 x2; gridsize 10; run;
