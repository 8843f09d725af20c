data m;
  input y x;
  datalines;
1 .
. 2
. .
;
proc quillfit data=m outpred=pred;
  model y = x;
run;
