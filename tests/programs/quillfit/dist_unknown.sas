data d;
  input y x1 x2 g $ k r $;
  datalines;
1.2 0.5 3 a 1 yes
2.3 1.5 2 b 2 no
0.7 -0.3 5 a 1 yes
3.1 2.2 1 c 2 no
1.9 0.9 4 b 1 yes
2.8 1.7 2 c 2 no
0.4 -1.1 6 a 1 no
2.2 1.2 3 b 2 yes
;
proc quillfit data=d;
  model y = x1;
  dist gamma;
run;
data b;
  input y x1 x2;
  datalines;
1 0.5 3
0 1.5 2
1 -0.3 5
0 2.2 1
1 0.9 4
0 1.7 2
1 -1.1 6
0 1.2 3
1 0.1 2
0 0.8 4
;
proc quillfit data=b;
  model y = x1 x2;
  dist binomial;
run;
proc quillfit data=b noprint;
  model y = x1 x2;
run;
