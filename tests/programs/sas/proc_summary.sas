/* PROC SUMMARY: the numbers come from proc_summary_expected.py. */
data trial;
  input site $ arm $ dose response;
  datalines;
A T 1 5.1
A T 2 6.3
A C 1 4.8
A C . 5.0
B T 1 7.2
B T 2 .
B C 2 6.1
B C 1 5.5
C T 3 8.0
;
proc summary data=trial;
  class site arm;
  var dose response;
  output out=cells mean= sum(response)=total n(response)=n_resp;
run;
proc print data=cells; run;
proc summary data=trial nway;
  class site;
  output out=counts;
run;
proc print data=counts; run;
proc summary data=trial print maxdec=2 n mean std;
  class arm;
  var response;
run;
proc summary data=trial print;
  class arm;
run;
proc summary data=trial;
  var dose;
run;
