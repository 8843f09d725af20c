/* PUT and INPUT with w., w.d, BEST., BESTw. and $w.: numbers right-aligned in the width, halves
   rounded away from zero, decimals given up and then an exponent when the width is short, missing
   values, an informat's width and implied decimals, text that is not a number and its note, and
   the errors of a format PUT cannot use. */
data fmt;
  x = 1234.5678;
  best = put(x, best12.) || '|';
  dec = put(x, 8.2) || '|';
  whole = put(x, 5.);
  half = put(2.675, 6.2);
  tight = put(x, 6.2);
  big = put(123456789, 4.);
  none = put(., 5.1) || '|';
  text = put('abcdef', $3.) || '|';
  b6 = put(1/3, best6.);
  n1 = input(' 42.5 ', best.);
  n2 = input('123', 5.2);
  n3 = input('1.5e3', 8.);
  n4 = input('12345678901234', best.);
  n5 = input('.', 3.);
  n6 = input('abc', 8.);
  c1 = input('   hello', $4.) || '|';
run;
proc print noobs; var best dec whole half tight big none text b6; run;
proc print noobs; var n1-n6 c1; run;
data bad;
  x = put(1, nosuch9.);
run;
data bad;
  x = put(1, $5.);
run;
data bad;
  x = put('a', best.);
run;
data bad;
  x = put(1, best40.);
run;
data bad;
  x = input('1', 8);
run;
