/* MERGE with BY: one-to-one and one-to-many within a group, a group in one data set only, IN=
   with `if a and b`, a variable in both data sets (the later one wins), data set options,
   many-to-many with its note; MERGE without BY pairs observations by position. */
data patients;
  input id name $ age;
  datalines;
1 ann 30
2 bob 40
4 dan 50
;
data visits;
  input id visit cost age;
  datalines;
1 1 10 31
1 2 20 .
2 1 5 41
3 1 7 60
;
data both;
  merge patients(in=a) visits(in=b);
  by id;
  ina = a;
  inb = b;
run;
proc print data=both; run;
data matched;
  merge patients(in=a keep=id name) visits(in=b);
  by id;
  if a and b;
run;
proc print data=matched; run;
data left;
  input k x;
  datalines;
1 1
1 2
1 3
2 9
;
data right;
  input k y;
  datalines;
1 10
1 20
2 90
2 91
;
data many;
  merge left right;
  by k;
  f = first.k;
  l = last.k;
  if _n_ = 3 then put _all_;
run;
proc print data=many; run;
data side;
  merge left(rename=(x=lx)) right(where=(y < 50)) end=done;
  last_one = done;
run;
proc print data=side; run;
