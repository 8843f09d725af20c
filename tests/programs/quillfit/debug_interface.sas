options debug='TLKTDBG=1';
proc quillfit data=here.fit;
  model y = x1;
run;
