data d; input x; datalines;
1
;
proc hosttest data=d; vars x; run;
