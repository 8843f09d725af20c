/* NATURAL joins: the columns of one name on both sides (x and z here) are matched, a missing
   value with a missing one, and each is shown once, first; the outer forms keep the unmatched
   rows, a matched column taking the value of the side that has one. Texts match padded with
   blanks. Expected rows and columns: sql_natural_expected.py (pandas). */
data one;
  input x y z;
  datalines;
1 2 3
2 1 8
6 5 4
2 5 6
. 9 9
. 7 .
;
data two;
  input x b z;
  datalines;
1 5 3
3 5 4
2 7 8
6 0 4
. 1 9
. 2 .
4 3 .
;
data names;
  length name $ 4;
  input name $ 1-4 v;
  datalines;
a    1
b    2
     3
d    4
;
data codes;
  length name $ 8;
  input name $ 1-8 w;
  datalines;
a       10
b       20
        30
c       40
;
run;
proc sql;
  title 'inner';
  select * from one natural join two order by x, z, y, b;
  title 'left';
  select * from one natural left join two order by x, z, y, b;
  title 'right';
  select * from one natural right outer join two order by x, z, y, b;
  title 'full';
  select * from one natural full join two order by x, z, y, b;
  title;
  create table j as select * from names natural full join codes;
  select name, length into :cols separated by ' ', :lengths separated by ' ' from dictionary.columns
    where memname = 'J' order by varnum;
  select catx(':', name, v, w) into :full separated by ' ' from j order by name, v, w;
  select catx(':', n.name, c.name, name, w) into :sides separated by ' '
    from names n natural right join codes c order by c.name;
  select count(*) into :nocommon trimmed from one natural join (select b as bb from two);
  select catx(':', x, y, z, w) into :chain separated by ' '
    from one natural join (select x, b from two) natural join (select b, 10 * b as w from two)
    order by x, y, z, w;
quit;
%put cols=&cols lengths=&lengths;
%put full=&full;
%put sides=&sides;
%put nocommon=&nocommon chain=&chain;
proc sql;
  select * from one natural join (select put(x, 1.) as x from two);
  select * from one natural join two on one.x = two.x;
  select * from one natural cross join two;
quit;
