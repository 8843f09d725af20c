data d;
  input x1 x2;
  datalines;
1 2
3 4
;
proc hosttest data=d;
  vars x1 = x2;
run;
proc print data=d nosuchoption; run;
data e; input a b; modify d; datalines;
1 2
;
proc print data=d; run;
