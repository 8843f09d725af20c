/* PROC FORMAT: FMTLIB prints each format's ranges; a statement in error defines nothing while
   the others still do; LIBRARY= is taken with a note; a redefinition replaces a format; a
   FORMAT statement in PROC SORT stays with the sorted data set. */
proc format library=work fmtlib;
  value yn 1 = 'Yes' 0 = 'No' other = [best5.];
  value $grade 'A'-'C' = 'Pass' 'D', 'F' = 'Fail';
  invalue score (upcase default=8) 'A' = 4 'B' = 3 0-100 = _same_ other = _error_;
  value overlap 1-10 = 'low' 5-20 = 'high';
  value date 1 = 'x';
  value bad1 1 = 'x';
  picture money low-high = '000,009.99';
run;
proc format;
  value yn 1 = 'Y' 0 = 'N';
run;
data marks;
  input id answer g $ s $;
  points = input(s, score.);
  shown = put(answer, yn.);
  grade = put(g, $grade.);
datalines;
1 1 A b
2 0 D 87.5
3 7 F Z
;
proc sort data=marks out=sorted; by descending id; format answer yn.; run;
proc print data=sorted; var id answer shown grade points; run;
proc contents data=sorted; run;
