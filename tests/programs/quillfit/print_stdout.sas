/* The listing sent to standard output holds the listing alone; what the engine prints while
   the procedure runs reaches the log under OPTIONS DEBUG= and nowhere else. */
proc quillfit data=here.fit;
  model y = x1 x2 x3;
run;
options debug='trace';
proc quillfit data=here.fit noprint;
  model y = x1 x2 x3;
run;
