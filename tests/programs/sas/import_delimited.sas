/* PROC IMPORT as programs write it: DBMS=CSV, TAB and DLM, its statements, column names that are
   not SAS names under VALIDVARNAME=V7 and ANY; PROC EXPORT to tab- and ';'-separated files. The
   expected listings are worked out by hand from the three small files in data/. */
proc import datafile='here/data/births.csv' out=births dbms=csv replace;
  getnames=yes;
  guessingrows=max;
run;
proc print data=births; run;
proc means data=births n mean maxdec=2; var Infant_Mortality Birth_Weight2; run;
proc import datafile='here/data/survey.txt' out=survey dbms=dlm replace;
  delimiter=';';
  getnames=no;
  datarow=2;
run;
proc print data=survey; run;
proc import datafile='here/data/doses.tab' out=doses dbms=tab;
run;
proc means data=doses sum maxdec=2; var dose response; run;
options validvarname=any;
proc import datafile='here/data/births.csv' out=births_any;
run;
proc means data=births_any n sum maxdec=1; var 'Birth Weight'n 'Infant.Mortality'n; run;
options validvarname=v7;
proc export data=doses outfile='doses.txt' dbms=dlm replace;
  delimiter=';';
run;
proc export data=doses outfile='doses.tsv' dbms=tab; run;
proc import datafile='here/data/doses.tab' out=bad dbms=xlsx; run;
proc import datafile='here/data/doses.tab' out=bad dbms=tab; getnames=maybe; run;
