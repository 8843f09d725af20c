/* The listing sent to standard output holds the listing alone: the engine's trace lines are
   asked for only under OPTIONS DEBUG= (debug_trace.sas), and a NOPRINT step adds nothing. */
proc quillfit data=here.fit;
  model y = x1 x2 x3;
run;
proc quillfit data=here.fit noprint;
  model y = x1 x2 x3;
run;
