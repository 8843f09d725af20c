proc quillfit data=here.fit;
  model r = x1 x2 x3 / ydescending;
  dist logit;
run;
