/* %LET and &name in program text and double-quoted strings (not single-quoted), &name. ending a
   name, %PUT, SYSLAST, an unresolved reference, and a macro defined but not called. */
%let cut = 2;
%let ds = small;
%let label = big values;
data &ds.;
  input x;
  datalines;
1
2
3
;
data &ds._&cut;
  set &ds;
  where x >= &cut;
  text = "&label";
  raw = '&label';
run;
%put Last data set: &syslast;
%put &nosuch is not defined;
proc print data=small_2; run;
ods html close;
footnote;
%macro twice;
  data never; x = 1; run;
%mend;
proc nosuchproc; run;
