/* Errors name the statement's place and what was expected; a failing DATA step leaves its
   output data sets as they were, and the steps after it run. */
data kept;
  input v;
  datalines;
7
;
data kept;
  set kept;
  v = v * ;
run;
data kept other;
  set kept;
  do i = 1 to .;
  end;
run;
data kept;
  set kept(where=(nosuch > 1));
run;
data kept;
  set kept;
  v = nosuch(v);
run;
data kept;
  set kept;
  if (v > 1 then w = 1;
run;
data conv;
  set kept;
  c = 'a';
  c = v;
  v = 'b' + 1;
run;
proc print data=kept; run;
proc print data=conv; run;
