/* A MODEL statement without its ';' runs into the next statement: DIST and POISSON are read as
   predictors, which the data set does not have. */
data counts;
  input y x1 x2;
  datalines;
3 0.5 1
1 1.5 2
4 -0.3 5
0 2.2 1
2 0.9 4
;
proc quillfit data=counts;
  model y = x1 x2
  dist poisson;
run;
