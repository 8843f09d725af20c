data b; input g id x name $; label x = 'The X' name = 'Person'; datalines;
1 1 2.5 ann
1 2 3 bob
2 3 . cy
2 4 10.25 dee
;
proc print data=b noobs label n; var name x; sum x; run;
proc print data=b n; by g; sum x id; run;
proc print data=b; sum name; run;
