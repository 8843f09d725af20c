data d; input x; datalines;
7
;
run; quit; ;
proc print data=d