data a; input id x1-x3 name $ y; datalines;
1 1 2 3 ann 10
2 . 5 6 bob .
3 . . . cy 4
;
data b; set a;
  array xs{*} x1-x3;
  s = sum(of x1-x3); m = mean(of x:); n = n(of xs{*}, y); nm = nmiss(of x1--x3 y);
  mx = max(of _numeric_); c = catx('-', of name x1); t = sum(of x1-x3, 100);
  of = 2; u = sum(of, 1);
run;
proc print data=b; run;
data c; set a; z = sum(of q1-q2); w = sum(of name); run;
data d; set a; z = sum(of x1-x3 +); run;
data e; set a; z = sum(of nothere:); run;
