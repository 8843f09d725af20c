data e;
  input y x;
  datalines;
;
proc quillfit data=e outbetas=betas;
  model y = x;
run;
