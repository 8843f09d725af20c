/* PROC DATASETS: DELETE, CHANGE, KILL and NOLIST on WORK and on a library of its own. */
data a; x = 1; run;
data b; x = 2; run;
data c; x = 3; run;
proc datasets lib=work nolist;
  delete a nosuch;
  change b=bb;
run;
quit;
proc print data=bb; run;
proc print data=a; run;
proc datasets; run;
proc datasets lib=work kill nolist; run;
proc print data=c; run;
proc datasets library=nolib; run;
