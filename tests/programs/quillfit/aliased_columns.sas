/* Exactly collinear predictors: x3 = x1 + x2 and x4 = x1 in a normal model, and a CLASS level
   that is another predictor's copy in a Poisson one; then p = n - 1, a saturated model. */
data d;
  input y x1 x2 g $;
  x3 = x1 + x2;
  x4 = x1;
  gb = (g = 'b');
  datalines;
1 0.5 3 a
2 1.5 2 b
0 -0.3 5 a
3 2.2 1 c
1 0.9 4 b
2 1.7 2 c
0 -1.1 6 a
2 1.2 3 b
1 0.3 2 c
;
proc quillfit data=d;
  model y = x1 x2 x3 x4;
run;
proc quillfit data=d;
  model y = gb x1 g;
  class g;
  dist poisson;
run;
data s;
  input y x1 x2 x3;
  datalines;
1.2 0.5 3 1
2.3 1.5 2 4
0.7 -0.3 5 2
3.1 2.2 1 0
;
proc quillfit data=s;
  model y = x1 x2 x3;
run;
