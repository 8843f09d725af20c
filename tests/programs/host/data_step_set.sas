/* SET with assignments, the missing-value rules and their notes, subsetting IF, IF-THEN-ELSE,
   OUTPUT to two data sets, RETAIN, the sum statement, _N_ and END=. */
data raw;
  input id age psa grp $;
  datalines;
1 45 4.5 a
2 62 . b
3 71 12 a
4 55 0 b
5 80 2 a
;
data older(drop=grp) young;
  set raw end=last;
  retain first_psa;
  if _n_ = 1 then first_psa = psa;
  logpsa = log(psa);
  per_psa = age / psa;
  total + psa;
  count + 1;
  if last then obs_seen = _n_;
  if age > 50 then do; band = 'old'; output older; end;
  else output young;
  keep id age psa grp first_psa logpsa per_psa total count band obs_seen;
run;
proc print data=older; run;
proc print data=young; run;
data adults;
  set raw;
  if psa > 1;
  if grp = 'a' then kind = 'A'; else kind = 'B';
  rename psa = psa_value;
  drop grp;
run;
proc print; run;
data dropped;
  set raw;
  drop grp nosuch;
run;
