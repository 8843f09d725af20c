/* Text keeps its declared length and every byte through WORK, SET, PROC SORT, a CSV library and
   PROC EXPORT (term: 49 characters in a length of 80; note: 38; u: 35 bytes of UTF-8); an
   assignment to a shorter variable cuts, as SAS does, but never inside a UTF-8 character ('abcdé'
   in 5 bytes is 'abcd'); bytes that are not UTF-8 reach a CSV file as U+FFFD, with a warning. */
libname c '.';
data a;
  length term $ 80 short $ 5;
  term = 'This term is fifty characters long, counting all.';
  note = 'Checked by the investigator on day one';
  short = 'abcdé';
  u = 'éééééééééééééééé我';
  label term = 'A label of forty-five characters, kept whole.';
run;
data b; set a; run;
proc sort data=b out=s; by term; run;
proc contents data=s; run;
proc print data=s noobs; var note u short; run;
data c.copy; set b; run;
data back; set c.copy; run;
proc contents data=back varnum; run;
proc export data=b outfile='b.csv' dbms=csv replace; run;
data latin; x = 'caf'||'E9'x; run;
proc export data=latin outfile='latin.csv' dbms=csv replace; run;
