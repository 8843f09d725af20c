/* A join of a large table with a small lookup table reads the large one in order and looks the
   small one up: the result keeps the large table's order (ids 1, 2, 3 ... with keys 8, 15, 22 ...),
   every row found once. By hand: key = mod(7 * id, 1000) + 1 takes each of 1..1000. */
data big;
  do id = 1 to 200000;
    key = mod(7 * id, 1000) + 1;
    output;
  end;
run;
data small;
  do key = 1 to 1000;
    w = 10 * key;
    output;
  end;
run;
proc sql;
  create table j as select b.id, b.key, s.w from big b, small s where b.key = s.key;
  create table n as select * from big natural join small;
quit;
data _null_;
  set j(obs=4);
  put 'j ' id= key= w=;
run;
data _null_;
  set n(obs=2);
  put 'n ' key= id= w=;
run;
