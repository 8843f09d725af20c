data scores;
  input id group $ score;
  datalines;
1 a 10
2 b 20
3 a 30
4 b 40
5 a 50
6 b 60
;
proc print data=scores;
  where score > 25;
run;
proc sort data=scores out=sorted;
  by descending score;
  where group = 'a';
run;
proc print data=sorted; run;
proc means data=scores n mean sum;
  where id <= 4;
  var score;
run;
proc freq data=scores;
  where score >= 30;
  tables group;
run;
proc contents data=scores;
  where id > 2;
run;
proc export data=scores outfile='few.csv' dbms=csv;
  where id in (2, 5);
run;
proc hosttest data=scores;
  vars score;
  where group = 'b';
run;
proc import datafile='few.csv' out=back dbms=csv;
  where id = 2;
run;
