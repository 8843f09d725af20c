data d;
  input x1 x2 x3 name $;
  datalines;
1 2 3 a
4 . 6 b
;
proc hosttest data=d out=sums verbose;
  vars x1-x2 / flagged;
  vars x3;
  one name;
  num 2.5;
  word warn;
run;
proc print data=sums; run;
