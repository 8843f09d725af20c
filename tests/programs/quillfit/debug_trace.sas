/* Under OPTIONS DEBUG= the engine's trace lines go to standard output as the engine writes
   them; the log holds the step's own lines only. */
options debug='trace';
proc quillfit data=here.fit noprint;
  model y = x1 x2 x3;
run;
