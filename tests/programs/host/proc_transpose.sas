/* PROC TRANSPOSE: BY, ID with PREFIX= and NAME=, a missing ID value, the default VAR list and
   names, character columns, a repeated ID value (an error, then LET). */
data long;
  input g $ t score wt;
  label score = 'Test score';
  datalines;
a 1 10 1.5
a 2 12 2
a 3 . 2.5
b 1 20 3
b . 30 4
b 3 23 .
;
proc transpose data=long out=wide prefix=t name=measure;
  by g; id t; var score wt;
run;
proc print data=wide noobs; run;
proc transpose data=long out=plain; run;
proc print data=plain; var _name_ col1 col5 col6; run;
proc transpose data=long(obs=2) out=text; var g t; run;
proc print data=text; run;
proc transpose data=long out=twice; id t; var score; run;
proc transpose data=long out=last let; id t; var score; run;
proc print data=last; run;
