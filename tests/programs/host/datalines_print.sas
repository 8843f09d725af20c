/* A DATA step with DATALINES, printed */
title 'Visits';
data visits;
  input id name $ weight 'blood pressure'n;
  datalines;
1 ann 61.5 120
2 bob .    135
3 cy  70   .
;
run;
* the listing shows the missing values as dots;
proc print data=visits; run;
proc print noobs; var name weight; run;
