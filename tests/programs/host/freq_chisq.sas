/* PROC FREQ / CHISQ on a 2x2 table (with Fisher's exact test) and a 2x3 table with small expected
   counts, the test of equal proportions of a one-way table, and / NOPRINT OUT=. */
data trial;
  input treat $ outcome $ n;
  do i = 1 to n; output; end;
  keep treat outcome;
  datalines;
A no  3
A yes 9
B no  8
B yes 4
;
data grades;
  input group grade $ n;
  do i = 1 to n; output; end;
  datalines;
1 x 5
1 y 2
1 z 1
2 x 9
2 y 6
2 z 4
;
proc freq data=trial;
  tables outcome*treat / noprint out=cells;
  tables treat*outcome outcome / chisq;
run;
proc freq data=grades; tables group*grade / chisq nopercent norow nocol; run;
proc print data=cells; run;
