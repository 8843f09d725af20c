/* INFILE: raw text files read by list INPUT */
data scores;
  infile 'here/infile_scores.txt' dlm=',' dsd firstobs=2 missover lrecl=256;
  input id name $ score;
run;
proc print data=scores; run;

* tab-separated, a short line with TRUNCOVER, OBS= the last line read;
filename tabs 'here/infile_tabs.txt';
data tabs;
  infile tabs delimiter='09'x truncover obs=2;
  input n colour $ w;
run;
proc print data=tabs; run;

* FLOWOVER goes on to the next line for the values a short line lacks;
data flow;
  infile "here/infile_short.txt" flowover;
  input k $ a b;
run;
proc print data=flow; run;

* lines ending CR only, the default short-line behaviour, a step that stops early;
data cr;
  infile 'here/infile_cr.txt';
  input p $ q $;
  if _n_ = 3 then stop;
run;
proc print data=cr; run;

* INFILE DATALINES with DSD and FIRSTOBS;
data inline;
  infile datalines dsd firstobs=2;
  input u v $;
  datalines;
header,line
1,"a,b"
,c
;
run;
proc print data=inline; run;

* LRECL= keeps the first 8 bytes of a line and passes over the rest, its CR LF end and all;
data long;
  infile 'here/infile_long.txt' lrecl=8 truncover;
  input k $ v;
run;
proc print data=long; run;
