proc quillfit data=here.quoted outbetas=betas;
  model y = x g;
  class g;
run;
proc print data=betas; run;
