/* Data sets written to V9 and XPORT libraries and read back; PROC IMPORT and PROC EXPORT. */
libname v v9 'work';
libname x xport 'work/prostate.xpt';
proc import datafile='here/data/chem.csv' out=v.chem dbms=csv; run;
proc contents data=v.chem varnum; run;
proc print data=v.chem(keep=fem mar art); var art fem mar; run;
proc sort data=examples.prostate out=x.prostate; by descending lpsa; run;
proc contents data=x.prostate; run;
proc print data=x.prostate(keep=lpsa age); run;
proc sort data=examples.prostate out=x.other; by age; run;
proc import datafile='here/data/chem.csv' out=v.chem dbms=csv; run;
proc import datafile='here/data/chem.csv' out=v.chem dbms=csv replace; run;
proc export data=v.chem outfile='chem.csv' dbms=csv; run;
proc export data=examples.biopsy outfile='biopsy.xpt' dbms=xpt; run;
proc export data=examples.biopsy outfile='biopsy.xpt' dbms=xpt; run;
libname b xport 'biopsy.xpt';
proc means data=b.biopsy n nmiss maxdec=2; var V6; run;
proc import datafile='nosuch.csv' out=none dbms=csv; run;
proc export data=examples.biopsy outfile='biopsy.txt' dbms=dbf; run;
