libname out '.';
proc print data=here.scores; run;
data out.copy;
  input k v;
  cards;
5 6
;
proc print data=out.copy; run;
proc print data='out_file.csv'; run;
