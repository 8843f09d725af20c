/* PROC SQL on the prostate data: CREATE TABLE AS, GROUP BY, INTO, remerging, joins and an
   unknown column; the values are sql_expected.py's (pandas on the same file). */
title 'Prostate by SQL';
data grades;
  input gleason grade $;
  datalines;
7 mid
9 high
;
run;
proc sql;
  create table work.pro as select lpsa, lcavol, age, gleason, svi from examples.prostate;
  select gleason, count(*) as n, mean(lpsa) as m format=8.4, std(lpsa) as s format=8.4
    from pro group by gleason order by gleason;
  select count(*) into :nold trimmed from pro where age ge 65;
  %put old=&nold sqlobs=&sqlobs;
  select max(age), mean(lcavol) format=8.4 into :maxage trimmed, :mlcavol trimmed from pro;
  %put maxage=&maxage mlcavol=&mlcavol;
  select gleason, lpsa - mean(lpsa) as dev format=8.4 from pro group by gleason
    having calculated dev > 1.5 order by dev desc;
  create table withgrade as select p.*, g.grade from pro as p left join grades as g on p.gleason = g.gleason;
  select count(*) into :nograde trimmed from withgrade where grade is missing;
  %put nograde=&nograde;
  select g.grade, count(*) as n from pro p, grades g where p.gleason = g.gleason group by g.grade order by 1;
  select lpsa2 from pro;
quit;
