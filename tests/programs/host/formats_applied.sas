/* User formats applied where SAS applies them: PROC PRINT, PROC FREQ levels (grouped by
   formatted value, each level where its smallest value falls), PROC MEANS CLASS groups, BY
   groups and lines, PUT, and kept with the data set (PROC CONTENTS). An INVALUE informat reads
   the grades. */
proc format;
  value agegrp low-<18 = 'Child' 18-<65 = 'Adult' 65-high = 'Senior';
  value $sex 'F' = 'Female' 'M' = 'Male';
  value score (default=4) 0-<50 = 'Fail' 50-high = 'Pass' . = 'None';
  invalue grade 'A' = 4 'B' = 3 'C' = 2 other = _error_;
run;
data people;
  input id age sex $ score g $;
  points = input(g, grade.);
  format age agegrp. sex $sex.;
datalines;
1 12 F 40 A
2 30 M 75 B
3 45 F 55 C
4 70 M . A
5 16 M 90 B
6 66 F 20 C
7 25 F 60 A
8 80 M 45 X
;
proc print data=people; format score score.; run;
proc freq data=people; tables age sex*age; run;
proc means data=people n mean maxdec=2; class age; var score; run;
proc sort data=people out=sorted; by age; run;
proc print data=sorted; by age; var id score; run;
proc contents data=people; run;
data _null_;
  set people(obs=2);
  put id= age= sex= score= score score.;
run;
