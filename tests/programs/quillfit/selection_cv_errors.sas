/* The statements of SELECTION CV out of range, each refused with its line; without SELECTION CV
   they are ignored with a warning. */
data d;
  input y x1 x2 g h;
  datalines;
1 5 1 1 2
2 4 2 1 2
3 5 4 2 2
6 6 3 2 2
4 2 2 1.5 .
5 1 3 1 2
;
proc quillfit data=d;
  model y = x1 x2;
  selection cv;
  folds 1;
run;
proc quillfit data=d;
  model y = x1 x2;
  selection cv;
  folds 7;
run;
proc quillfit data=d;
  model y = x1 x2;
  selection cv;
  seed 2.5;
run;
proc quillfit data=d;
  model y = x1 x2;
  selection cv;
  cvrule max;
run;
proc quillfit data=d;
  model y = x1 x2;
  selection cv;
  fold g;
run;
proc quillfit data=d;
  model y = x1 x2;
  selection cv;
  fold h;
run;
proc quillfit data=d;
  model y = x1 x2;
  folds 3;
  cvrule 1se;
run;
