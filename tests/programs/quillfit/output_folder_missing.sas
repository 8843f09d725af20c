* An output data set whose folder does not exist ends the step with an error, and the rest of
  the program still runs;
proc quillfit data=here.fit noprint outinfo=info outbetas='nosuchdir/b.csv';
  model y = x1 x2 x3;
  gridsize 5;
run;
data after;
  input a;
  datalines;
1
;
run;
