/* OUTPRED keeps the ID variables, numeric and character, in ID order before PREDICTED, for every
   input observation; naming the input data set as OUTPRED= warns before replacing it. */
data trial;
  input subject $ visit y x1 x2;
  datalines;
ann 1 1.2 0.5 1
bob 1 2.9 1.4 0
cy  2 0.4 -0.2 1
dee 2 .   0.8 0
eve 3 3.8 1.9 1
fay 3 1.1 0.3 0
gus 4 2.2 1.0 1
hal 4 0.9 0.1 0
;
run;
proc quillfit data=trial outpred=trial noprint;
  model y = x1 x2;
  id subject visit;
run;
proc print data=trial; run;
