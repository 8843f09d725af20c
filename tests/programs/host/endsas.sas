options debug='x' pagesize=60;
title 'Before the end';
data d; input x; datalines;
1
;
proc print; run;
endsas;
proc nosuchproc; run;
