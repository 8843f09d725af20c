proc quillfit data=here.comma_number outbetas=betas;
  model y = x;
run;
