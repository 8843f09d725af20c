/* Data set options on the data sets procedures write: KEEP=, DROP=, RENAME=, WHERE= and LABEL=
   act as the observations are written, on every procedure's OUT=. */
data d;
  input g $ x y;
  datalines;
a 1 2
a 3 4
b 5 6
b 7 9
c 2 1
;
proc means data=d noprint nway;
  class g; var x;
  output out=cells(drop=_type_ rename=(_freq_=count)) mean(x)=mx;
run;
proc print data=cells; run;
proc sort data=d out=s(keep=g y where=(y > 3) label='Big y'); by descending y; run;
proc print data=s; run;
proc contents data=s; run;
proc freq data=d; tables g / out=f(where=(count >= 2) drop=percent); run;
proc print data=f; run;
proc quillfit data=examples.prostate outpred=pred(keep=lpsa predicted where=(lpsa > 5));
  model lpsa = lcavol;
run;
proc sort data=d out=bad(firstobs=2); by x; run;
libname v v9 'work';
libname x xport 'work/lab.xpt';
proc sort data=d out=v.lab(label='Doses by centre and week of the trial: étude'); by x; run;
proc contents data=v.lab; run;
proc sort data=d out=x.lab(label='Doses by centre and week of the trial: étude'); by x; run;
proc contents data=x.lab; run;
