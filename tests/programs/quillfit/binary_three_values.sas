data t;
  input y x;
  datalines;
0 1
1 2
2 3
1 4
0 2
;
proc quillfit data=t outinfo=info;
  model y = x;
  dist binary;
run;
