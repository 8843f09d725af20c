data d;
  input y x t c $;
  datalines;
1 2 0.5 a
2 3 0.1 b
3 1 0.7 a
4 5 0.2 b
;
proc quillfit data=d;
  model y = x / offset=c;
run;
proc quillfit data=d;
  model y = x
    / offset=y;
run;
proc quillfit data=d;
  model y = x t / offset=t;
run;
