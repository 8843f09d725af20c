/* x separates y completely; in q the observations at x = 4 hold both values, so x separates
   y quasi-completely. */
data s;
  input y x z;
  datalines;
0 1 0.3
0 2 1.2
0 3 0.5
1 5 0.1
1 6 1.1
1 7 0.4
;
proc quillfit data=s; model y = x z; dist logistic; run;
data q;
  input y x;
  datalines;
0 1
0 2
0 4
1 4
1 5
1 6
;
proc quillfit data=q; model y = x; dist logistic; run;
