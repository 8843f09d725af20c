/* PROC CONTENTS of a SAS file and of data sets PROC SORT wrote; SORT's order: stable, missing
   values lowest, DESCENDING, NODUPKEY, in place without OUT=. */
libname d 'here/data';
libname x xport 'here/data/people8.xpt';
proc contents data=d.people; run;
proc contents data=x.people varnum; run;
data work.s; input a b $ c; datalines;
2 x 1
. y 2
1 z 3
2 a 4
1 z 5
. b 6
;
run;
proc sort data=s out=s2; by a; run;
proc print data=s2; run;
proc sort data=s out=s3 nodupkey; by descending a; run;
proc print data=s3; run;
proc contents data=s3; run;
proc sort data=s; by a descending b; run;
proc print data=s noobs; run;
proc sort data=s; by nosuch; run;
proc sort data=s out=s4; run;
proc print data=s2; by a; run;
proc print data=s3; by a; run;
/* OUT=: one observation per variable, alphabetically; NOPRINT leaves the listing out. */
proc contents data=d.people out=desc noprint; run;
proc print data=desc; run;
proc contents data=s3 out=desc3; run;
proc contents data=d.chem noprint out=descc; run;
proc print data=desc3; var name type length varnum sortedby nobs engine libname memname; run;
/* Labels and formats stay with a WORK data set: its file keeps them. */
data lab; set d.people; label id = 'Person id'; run;
data lab2; set lab; run;
proc contents data=lab2; run;
