data d;
  input y x c $;
  datalines;
1 2 a
2 3 b
3 1 a
;
proc quillfit data=d;
  model y = x;
  weight c;
run;
