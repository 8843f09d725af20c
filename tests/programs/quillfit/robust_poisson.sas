data d;
  input y x1 x2 g $ k r $;
  datalines;
1 0.5 3 a 1 yes
2 1.5 2 b 2 no
0 -0.3 5 a 1 yes
3 2.2 1 c 2 no
2 0.9 4 b 1 yes
3 1.7 2 c 2 no
0 -1.1 6 a 1 no
2 1.2 3 b 2 yes
;
proc quillfit data=d robust;
  model y = x1;
  distribution poisson;
run;
