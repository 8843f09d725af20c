data d; input x; datalines;
1
;
proc nosuchproc data=d;
  model y = x;
run;
frobnicate;
proc print data=d; run;
