/* Each kind of PROC SQL statement, run as its ';' is read; values worked by hand. */
data t;
  input id grp $ w;
  datalines;
1 a 10
2 b 20
3 a 30
;
run;
data u;
  input grp $ w extra;
  datalines;
a 10 1
c 40 2
;
run;
proc sql;
  insert into t values (4, 'c', 40) values (5, 'b', .);
  insert into t (grp, id) values ('d', 6);
  insert into t set id = 7, grp = 'e', w = 70;
  insert into t select 8, grp, w from u where extra = 2;
  delete from t where w is missing;
  update t set w = w + 1 where grp in ('a', 'e');
  select count(*), sum(w) into :n trimmed, :sw trimmed from t;
  %put after changes n=&n sw=&sw;
  create table s as select id, w label='Weight' format=6.1, grp length=3 from t where id le 2;
  describe table s;
  alter table s add flag num, note char(10) drop w;
  select id into :ids1 - :ids9 from t order by id desc;
  %put count=&sqlobs ids1=&ids1 ids2=&ids2 ids6=&ids6;
  create view big as select id, w from t where w gt 25;
  select id into :bigs separated by ',' from big;
  %put bigs=&bigs;
  describe view big;
  insert into t values (9, 'z', 99);
  select id into :bigs separated by ',' from big;
  %put bigs later=&bigs;
  select grp into :u separated by ' ' from t union select grp from u;
  select grp into :ua separated by ' ' from (select grp from t where id < 3 union all select grp from u);
  select w into :ex separated by ' ' from t except corr select w, extra from u;
  select grp into :ic separated by ' ' from t intersect select grp from u;
  %put union=&u all=&ua except=&ex intersect=&ic;
  drop view big;
  drop table s;
  select id, w from t where id = 1;
quit;
proc contents data=t; run;
