/* Statements that only change how output looks never stop a PROC step: TITLE, FOOTNOTE, OPTIONS
   and ODS inside it, and LABEL, which labels the variables for the step. What the host lacks is
   said in one wording, with its line. */
data d;
  input x y;
  datalines;
1 2
3 4
;
proc print data=d label;
  title 'Two rows';
  footnote 'End';
  label x='Dose' nosuch='Never';
  options nodate nonumber linesize=80 pagesize=60 nocenter;
  ods select all;
  var x;
run;
proc means data=d sum; var y; label y='Response'; run;
proc print data=d; var x; nosuch x; run;
proc print data=d nosuchoption; run;
