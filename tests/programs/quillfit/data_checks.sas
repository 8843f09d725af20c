data c;
  input y x1 x2 g $ r;
  datalines;
1 5 1 a 3
2 5 2 a 3
3 5 4 a 3
6 6 . b 3
;
/* The fourth observation is not used: among the others x1, g and r are constant. */
proc quillfit data=c;
  model r = x1 x2 g;
  class g;
run;
