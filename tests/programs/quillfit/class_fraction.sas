data c;
  input y k;
  datalines;
1.0 2.5
2.1 3
0.9 2.5
3.2 3
1.2 2.5
2.9 3
;
proc quillfit data=c outbetas=betas;
  model y = k;
  class k;
run;
proc print data=betas; run;
