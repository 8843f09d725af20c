proc quillfit data=here.fit outbetas=betas outinfo=info;
  model y = x1 x2 x3 g k u;
  class g k u;
  forcein x1;
run;
proc print data=betas; run;
