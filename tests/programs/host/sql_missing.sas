/* SAS's missing values and blank-padded text in PROC SQL, checked against values worked by hand:
   a missing number sorts lowest and is less than every number, equals another missing value (in
   joins too), and the summary functions skip it; a blank text is missing; 'a' equals 'a  '. */
data m;
  length s $ 4;
  id = 1; x = 2;  s = 'a';   output;
  id = 2; x = .;  s = ' ';   output;
  id = 3; x = -5; s = 'b';   output;
  id = 4; x = .;  s = 'a  '; output;
run;
proc sql noprint;
  select id into :order separated by ' ' from m order by x, id;
  select count(*), count(x), nmiss(x), sum(x), mean(x), min(x), max(s), min(s), count(distinct s), count(s)
    into :n trimmed, :nx trimmed, :nm trimmed, :sx trimmed, :mx trimmed, :mn trimmed, :maxs, :mins,
         :ds trimmed, :cs trimmed
    from m;
  select id into :below separated by ' ' from m where x lt 0;
  select id into :eqmiss separated by ' ' from m where x = .;
  select id into :ismiss separated by ' ' from m where x is missing and s is not missing;
  select id into :blank separated by ' ' from m where s is null;
  select id into :isa separated by ' ' from m where s eq 'a   ';
  select id into :nea separated by ' ' from m where s ne 'a';
  select catx('-', a.id, b.id) into :pairs separated by ' ' from m a, m b where a.x = b.x and a.id < b.id;
  select count(*) into :groups separated by ' ' from m group by s;
  select id into :sorted separated by ' ' from m order by s desc, id;
  select id into :inmiss separated by ' ' from m where x in (., 2);
  select id into :between separated by ' ' from m where x between -10 and 5;
quit;
%put order=&order;
%put n=&n nx=&nx nm=&nm sx=&sx mx=&mx mn=&mn maxs=[&maxs;
%put mins=[&mins] ds=&ds cs=&cs;
%put below=&below eqmiss=&eqmiss ismiss=&ismiss blank=&blank isa=&isa nea=&nea;
%put pairs=&pairs groups=&groups sorted=&sorted inmiss=&inmiss between=&between;
