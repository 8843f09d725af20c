/* OUTPRED without an ID statement keeps every input variable, in order, then PREDICTED (the
   fitted mean), so it merges back: naming the DATA= data set adds the predictions to it. An ID
   variable named twice is kept once. PREDICTED is never renamed: an ID or, without an ID
   statement, an input variable of that name is refused before any data is read. */
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
run;
proc print data=trial; run;
proc quillfit data=trial outpred=twice noprint;
  model y = x1 x2;
  id visit subject visit;
run;
data scored;
  input y x1 predicted;
  datalines;
1.2 0.5 1
2.9 1.4 3
0.4 -0.2 0
3.8 1.9 4
;
run;
proc quillfit data=scored outpred=p1 noprint;
  model y = x1;
  id Predicted;
run;
proc quillfit data=scored outpred=p2 noprint;
  model y = x1;
run;
proc quillfit data=scored outpred=p3 noprint;
  model y = x1;
  id x1;
run;
