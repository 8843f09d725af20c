proc quillfit data=here.fit warmstart outbetas=betas;
  model y = x1 x2 x3;
  gridsize 20;
run;
