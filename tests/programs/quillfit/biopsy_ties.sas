/* Grid values that give one fit tie in the criterion but for rounding: the reported lambda is
   the smallest of them, so the default, WARMSTART and the rows in reverse order report the same
   lambda, and the listing and OUTINFO give the tied interval. */
proc quillfit data=examples.biopsy outinfo=default_info;
  model class = V1-V9;
  dist logistic;
run;
proc quillfit data=examples.biopsy warmstart outinfo=warm_info noprint;
  model class = V1-V9;
  dist logistic;
run;
proc quillfit data=here.biopsy_reversed outinfo=reversed_info noprint;
  model class = V1-V9;
  dist logistic;
run;
