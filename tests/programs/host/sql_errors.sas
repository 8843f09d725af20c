/* PROC SQL's errors: SAS's words with their place; a statement that fails writes nothing and
   leaves an earlier table of its name as it was; the rest of the step is only checked. */
data keep;
  input id x;
  datalines;
1 5
2 6
;
run;
proc sql;
  create table keep as select id, (select x from keep) as y from keep;
  create table other as select id from keep;
  select nosuch from keep;
quit;
proc sql;
  select id + 'a' from keep;
quit;
proc sql;
  select id from nothere;
run;
quit;
proc sql;
  insert into keep values (3);
quit;
proc sql;
  update keep set id = 'z';
  select id from keep where;
quit;
proc sql;
  select id into :ids separated by '+' from keep;
quit;
%put ids=&ids sqlobs=&sqlobs;
proc sql undo_policy=required;
  reset undo_policy=optional;
  select count(*) into :n trimmed from keep;
  connect to odbc as db (dsn='x');
  create table fromdb as select * from connection to db (select a from z where (a > 1));
  execute (drop table z) by db;
  disconnect from db;
  select nosuch from keep;
quit;
%put n=&n sqlrc=&sqlrc;
proc sql undo_policy=partial;
  create table never as select * from keep;
quit;
proc sql;
  select * from connection to db (select 1);
quit;
