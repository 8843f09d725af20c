data d; input x; datalines;
1
2
;
proc hosttest data=d out=kept; vars x; run;
proc hosttest data=d out=kept keepopen; vars x; num 9; rc 3000; run;
proc print data=kept; run;
proc hosttest data=d; vars x; rc 4; run;
