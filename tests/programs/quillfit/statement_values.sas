/* Each step stops at its first bad value, before the data are read. */
proc quillfit data=here.fit; model y = x1; gridsize 0; run;
proc quillfit data=here.fit; model y = x1; gridsize 1001; run;
proc quillfit data=here.fit; model y = x1; maxiter 0; run;
proc quillfit data=here.fit; model y = x1; criterion 1; run;
proc quillfit data=here.fit; model y = x1; a 2; run;
proc quillfit data=here.fit; model y = x1; minlambda 2;
  maxlambda 1.5; run;
proc quillfit data=here.fit; model y = x1; dist binary; selection gcv; run;
proc quillfit data=here.fit; model x1 = x1 x2; run;
proc quillfit data=here.fit; model y = x1; maxlambda full;
  maxlambda 3; run;
