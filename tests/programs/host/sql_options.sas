/* Data set options on a created table, the run's own formats in a query, the dictionary tables,
   INOBS=, RESET, CREATE INDEX and DROP;
   values worked by hand from the four rows below. */
proc format;
  value wt low-<20 = 'light' 20-high = 'heavy';
run;
data t;
  input id grp $ w;
  datalines;
1 a 10
2 b 20
3 a 30
4 c .
;
run;
proc sql;
  create table k(keep=id w rename=(w=weight) where=(w > 15) label='Heavy ones') as
    select id, grp, w from t;
  select * from k;
  title 'Formatted';
  select id, w format=wt. from t where id <= 2;
  select w format=wt. into :w3 from t where id = 3;
  %put w3=&w3;
quit;
title;
proc contents data=k; run;
proc sql noprint;
  select name, type into :vars separated by ' ', :types separated by ' ' from dictionary.columns
    where libname = 'WORK' and memname = 'T' order by varnum;
  select nobs, nvar into :nobs trimmed, :nvar trimmed from sashelp.vtable where memname = 'T';
quit;
%put vars=&vars types=&types nobs=&nobs nvar=&nvar;
proc sql inobs=2;
  create unique index id on k(id);
  drop table k, nosuch;
  select count(*) into :n trimmed from t;
  %put inobs n=&n;
  reset inobs=max outobs=1 number;
  select id from t order by id desc;
  create table bad(keep=nosuch) as select id from t;
  select id from t;
quit;
proc sql;
  reset bogus;
quit;
proc sql outobs=2;
  create table few as select id, w from t order by id desc;
  select id into :few separated by ' ' from few;
quit;
%put few=&few;
