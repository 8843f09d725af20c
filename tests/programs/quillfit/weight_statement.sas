/* Frequency weights: the weighted fit is the fit of the data with each row repeated as often as
   its weight says (the second step), in every number the listing and OUTINFO show. The rows of
   weight 0, missing and negative are left out of the fit, counted in a note, and still predicted. */
data d;
  input y x1 x2 w;
  datalines;
0.478 0.041 0.465 2
1.107 0.353 0.926 1
2.739 1.562 -0.885 3
0.699 -0.705 -0.784 1
1.323 0.221 0.419 2
1.24 2.234 0.863 0
1.114 0.204 -0.623 1
0.79 1.306 -0.223 3
0.572 0.311 -0.291 .
0.559 -0.921 -0.625 2
1.908 -0.427 0.071 1
0.589 -0.8 -0.807 -1
3.234 1.096 -0.706 2
0.432 -1.308 -1.032 1
;
proc quillfit data=d details outinfo=info outpred=pred robust;
  model y = x1 x2;
  weight w;
run;
data repeated;
  input y x1 x2;
  datalines;
0.478 0.041 0.465
0.478 0.041 0.465
1.107 0.353 0.926
2.739 1.562 -0.885
2.739 1.562 -0.885
2.739 1.562 -0.885
0.699 -0.705 -0.784
1.323 0.221 0.419
1.323 0.221 0.419
1.114 0.204 -0.623
0.79 1.306 -0.223
0.79 1.306 -0.223
0.79 1.306 -0.223
0.559 -0.921 -0.625
0.559 -0.921 -0.625
1.908 -0.427 0.071
3.234 1.096 -0.706
3.234 1.096 -0.706
0.432 -1.308 -1.032
;
proc quillfit data=repeated details outinfo=info2 robust;
  model y = x1 x2;
run;
