/* Control flow and the program data vector: two SET statements read side by side (the step ends
   with the shorter), DELETE, STOP, RETURN, LEAVE, CONTINUE, DO WHILE, RETAIN with initial values,
   LENGTH cutting a value, LABEL, a step without SET running once, and DATA _NULL_. */
data a;
  input k;
  datalines;
1
2
3
4
;
data b;
  input m $;
  datalines;
w
x
;
data side;
  set a;
  set b;
run;
data flow;
  set a;
  retain tag 'first' count 10;
  length short $ 3;
  short = 'abcdef';
  label k = 'The key';
  if k = 2 then delete;
  if k = 4 then stop;
  count = count + k;
  total = 0;
  do i = 1 to 10;
    if i = 2 then continue;
    if i > 4 then leave;
    total = total + i;
  end;
  do while (total < 20);
    total = total * 2;
  end;
  tag = 'later';
  if k = 3 then return;
  note = 'kept';
run;
data once;
  x = 5;
  y = x * 2;
run;
data _null_;
  set a end=done;
  if done then put_nothing = k;
run;
proc print data=side; run;
proc print data=flow; run;
proc print data=once; run;
