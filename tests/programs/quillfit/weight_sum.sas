/* Weights that are proportions (ten of 0.1) are no frequency weights: they would make a sample
   of one observation. */
data d;
  input y x1 x2 w;
  datalines;
0.478 0.041 0.465 0.1
1.107 0.353 0.926 0.1
2.739 1.562 -0.885 0.1
0.699 -0.705 -0.784 0.1
1.323 0.221 0.419 0.1
1.24 2.234 0.863 0.1
1.114 0.204 -0.623 0.1
0.79 1.306 -0.223 0.1
0.572 0.311 -0.291 0.1
0.559 -0.921 -0.625 0.1
;
proc quillfit data=d;
  model y = x1 x2;
  weight w;
run;
