/* Every data set option on SET, on PROC PRINT and on PROC QUILLFIT's DATA=, and the WHERE
   statement of a DATA step and of a PROC step; the log's WHERE line under the observations read. */
data s;
  input id x y $ w;
  datalines;
1 10 a 1
2 20 b 2
3 30 a 3
4 40 b 4
5 50 a 5
6 60 b 6
;
data t;
  set s(keep=id x y where=(y = 'a')) s(drop=y w rename=(x=xx) firstobs=5) s(obs=1 keep=id);
run;
proc print data=t; run;
data u;
  set s(firstobs=2 obs=4);
  where x > 20;
run;
proc print data=u noobs; var id; run;
proc print data=s(where=(id > 4) drop=w rename=(y=letter)) noobs; run;
proc print data=s(obs=0); run;
proc print data=s noobs; where w <= 2 or id = 6; var id w; run;
data v;
  set s(where=(y ^= 'b'));
  where x  in (10,50) AND not(id = 3);
run;
data big(where=(xx > 25) label='Large x' rename=(x=xx)) all(drop=w label='Every row');
  set s;
run;
proc contents data=big; run;
proc print data=big noobs; var id xx; run;
