/* INPUT as SAS programs write it: column input with implied decimals, formatted input with the
   pointer controls @n, +n, @'text', #n, modified list input (: and &) with informats, and list
   input read by an INFORMAT statement's informat. Expected values by hand beside each step. */
data people;
  input id 1-3 name $ 5-24 score 26-30 pct 32-35 .1;
datalines;
001 Ann Lee               87.5  125
002 Bob Dylan-Smith         92  999
003 Al                       .
;
proc print data=people; run;
data readings;
  input @5 x 8.2 +1 y 3. @'K:' k 2. #2 @3 note $6. #3 @3 when date9.;
  format when date9.;
datalines;
    12345678 42 K:7
  second line
  15JAN2024
    00000100  1  K:12
  third
  29FEB2024
    1
;
proc print data=readings; run;
data mixed;
  input d :date9. name & $30. amt :comma10. w :mmddyy10.;
  format d date9. w yymmdd10.;
datalines;
15JAN2024 Mary Jo Smith  $1,234.50 1/15/2024
1feb24 Al  (7) 02/29/2024
bad Zed  x 13/45/2024
;
proc print data=mixed; run;
proc contents data=mixed; run;
data informed;
  informat d date9. amount comma8.;
  input id d amount;
  format d yymmdd10.;
datalines;
1 15JAN2024 1,000
2 31DEC1999 25
;
proc print data=informed; run;
/* The same layouts read from a file, a line at a time: two lines an observation. */
data fromfile;
  infile 'here/infile_layout.txt';
  input id 1-3 @5 d date9. #2 amt :comma8.;
  format d yymmdd10.;
run;
proc print data=fromfile; run;
data bad;
  input x 1-3 @;
datalines;
1
;
data bad;
  input x :;
datalines;
1
;
data bad;
  input x 5-2;
datalines;
1
;
