/* COMPRESS, FIND, COUNTW, TRANWRD, PROPCASE, CAT and CATT, COALESCE and COALESCEC, INPUTN and
   PUTN; LAG and DIF with a queue per call site; CALL MISSING and CALL SORTN. Values by hand. */
data _null_;
  length s $ 12;
  s = 'ab 12-cd 3';
  c1 = compress(s); c2 = compress(s, '-'); c3 = compress(s, , 'kd'); c4 = compress(s, 'a', 'd');
  c5 = compress('A1b2C3', 'abc', 'i'); c6 = compress('x y_z!', , 'kn');
  put c1= c2= c3= c4= c5= c6=;
  f1 = find('Hello World', 'o'); f2 = find('Hello World', 'O', 'i', 6); f3 = find('Hello World', 'o', -7);
  f4 = find('abc  ', 'c '); f5 = find('abc', 'c ', 't'); f6 = find('abc', 'c ');
  w1 = countw('The quick, brown fox.'); w2 = countw('a,b,,c', ','); w3 = countw('a1b22c', , 'd');
  put f1= f2= f3= f4= f5= f6= w1= w2= w3=;
  t1 = tranwrd('a cat and a cat', 'cat', 'dog'); t2 = tranwrd('aaa', 'aa', 'b');
  p1 = propcase('hELLO wORLD-wide (test).x'); p2 = propcase('a,b c', ',');
  put t1= t2= p1= p2=;
  length a $ 4;
  a = 'x';
  k1 = cat(a, 'y', 12); k2 = catt(a, 'y ', 3.5); k3 = cats(' p ', ' q '); k4 = catx('/', a, ' ', 'z');
  m1 = coalesce(., ., 4, 5); m2 = coalesce(., .); m3 = coalescec('', '  ', 'b', 'c');
  put k1= k2= k3= k4= m1= m2= m3=;
  i1 = inputn('1,234.5', 'comma10.'); i2 = inputn('15jan2024', 'date9.'); i3 = inputn('12345', '5.', 5, 2);
  fname = 'yymmdd10.';
  q1 = putn(1234.5, 'comma10.2'); q2 = putn(23390, 'date9.'); q3 = putn(23390, fname);
  put i1= i2= i3= q1= q2= q3=;
run;

data lagged;
  input x;
  length name $ 4;
  name = cats('n', x);
  l1 = lag(x); l2 = lag2(x); d1 = dif(x); d2 = dif2(x);
  ln = lag(name);
  if x > 2 then lc = lag(x);
datalines;
1
3
2
5
4
;
proc print data=lagged; run;

data _null_;
  array v{5} (3 . 1 5 2);
  call sortn(of v1-v5);
  put v1= v2= v3= v4= v5=;
  a = 1; b = 'xy';
  array w{2} w1 w2 (7 8);
  i = 2;
  call missing(a, b, w{i});
  call sortn(v5, v1);
  put v1= v5= a= b= w1= w2=;
run;

data _null_;
  b = 'xy';
  call sortn(b);
run;

data _null_;
  a = 1;
  call missing(a + 1);
run;
