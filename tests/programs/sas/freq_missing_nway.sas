/* PROC FREQ: MISSING, n-way tables and OUT=; the shipped data's numbers come from
   means_freq_expected.py, the small data set's are counted by hand. */
proc freq data=examples.biopsy; tables V6 / missing; run;
proc freq data=examples.biochemists; tables mar*fem*kid5 / norow nocol out=three; run;
proc print data=three; run;
data s; input a b $ c; datalines;
1 x 1
1 y .
. x 2
2 y 1
2 x 1
1 x 2
. . 1
2 y 2
;
run;
proc freq data=s; tables a*b*c / nopercent norow nocol out=o3; tables a / nocum; run;
proc print data=o3; run;
proc freq data=s; tables a*b*c / missing nopercent norow nocol; tables b*c / missing out=o2; run;
proc print data=o2; run;
