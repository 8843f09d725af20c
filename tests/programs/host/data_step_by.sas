/* BY groups with SET: FIRST. and LAST. at two levels, totals per group, DESCENDING, two data
   sets interleaved (with IN=), and the errors: data out of order, a BY variable not there, IN=
   on a procedure's data set. */
data visits;
  input id date cost;
  datalines;
1 1 10
1 2 20
2 1 5
3 1 7
3 2 1
3 2 2
;
data flags;
  set visits;
  by id date;
  fi = first.id; li = last.id; fd = first.date; ld = last.date;
run;
proc print data=flags; run;
data totals;
  set visits;
  by id;
  if first.id then total = 0;
  total + cost;
  if last.id then output;
  keep id total;
run;
proc print data=totals; run;
data down;
  input id grp $;
  datalines;
3 a
3 b
1 c
;
data downfirst;
  set down;
  by descending id;
  if first.id;
run;
proc print data=downfirst; run;
data more;
  input id date cost why $;
  datalines;
2 5 50 late
4 1 40 new
;
data mixed;
  set visits(in=old) more;
  by id;
  from_old = old;
  f = first.id;
  l = last.id;
run;
proc print data=mixed; run;
data bad;
  input id;
  datalines;
1
2
1
;
data kept;
  set bad;
  by id;
run;
data nokey;
  set visits more;
  by date;
run;
data nosuch;
  set visits more(drop=id);
  by id;
run;
proc print data=visits(in=z); run;
data _null_;
  set more visits(in=v) end=e;
  from_visits + v;
  if e then put from_visits=;
run;
