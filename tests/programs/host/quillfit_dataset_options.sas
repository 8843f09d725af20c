/* Data set options on PROC QUILLFIT's DATA= and a WHERE statement in its step: the host reads
   the data as the options show them; the procedure is not told. */
proc quillfit data=examples.prostate(where=(age >= 60) firstobs=2 obs=40 keep=lpsa lcavol lweight age svi
                                     drop=svi rename=(lweight=lw));
  model lpsa = lcavol lw;
run;
proc quillfit data=examples.prostate;
  model lpsa = lcavol lweight;
  where age >= 60 and lcavol > 1;
run;
proc quillfit data=examples.prostate(keep=lpsa lcavol);
  model lpsa = lcavol lweight;
run;
proc quillfit data=examples.prostate outbetas=b(where=(x > 1));
  model lpsa = lcavol;
run;
