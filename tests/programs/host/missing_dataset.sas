proc print data=nope; run;
proc hosttest data=here.absent;
  vars x;
run;
proc print data=nolib.thing; run;
proc quillfit data=nope;
  model y = x;
run;
