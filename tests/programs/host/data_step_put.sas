data a; input id x name $; datalines;
1 2.5 ann
2 . bob
;
data _null_; set a end=last;
  array v{2} id x;
  put 'Row ' _n_ 'of a: ' id= x= name=;
  put x 8.2 '|' name $5. '|' @20 id +2 'end';
  put v{2}= / 'second line' v{1};
  if last then put _all_;
run;
data _null_; put; put 'big ' 1e15 y=; run;
data _null_; x = 'abc'; put x 8.; run;
data _null_; put x @0; run;
data _null_; array q{2} (1 2); i = 3; put q{i}; run;
