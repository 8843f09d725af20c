/* PROC PRINT's ID statement: its variables lead each line in place of Obs and leave the default
   VAR list; with SUM their columns stay blank on the total line. PROC CONTENTS DATA=lib._ALL_:
   the library's members, with NODS alone, else each described. */
data b;
  input g id $ x y;
  label x = 'The X';
  datalines;
1 p 2.5 1
1 q 3 2
2 r . 3
;
data c; z = 1; run;
proc print data=b; id id; run;
proc print data=b label noobs; id id g; var x; sum x; run;
proc contents data=work._all_ nods; run;
proc contents data=_all_ varnum; run;
proc contents data=work._all_ out=desc; run;
