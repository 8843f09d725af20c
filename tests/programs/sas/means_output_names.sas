data a; input g x y; datalines;
1 1 2
1 3 5
2 4 4
;
proc means data=a noprint nway; class g; var x y; output out=m mean= std= / autoname; run;
proc print data=m; run;
proc means data=a noprint; var x y; output out=m2 mean= max(y)=ymax; run;
proc print data=m2; run;
proc means data=a noprint; var x y; output out=m3 mean(x)= std=sx / autoname; run;
proc print data=m3; run;
proc means data=a noprint; var x y; output out=m4 mean= std=; run;
proc print data=m4; run;
proc means data=a noprint; var x y; output out=m5 mean= / levels; run;
