/* ICM fits more predictors than observations from the top of the path down and stops where the
   model saturates; an algorithm of another name is refused. */
proc quillfit data=here.icm_noise;
  model y = x1-x30;
  algorithm icm;
  minlambda 0.000001;
run;
data d;
  input y x1;
  datalines;
1.2 0.5
2.3 1.5
0.7 -0.3
3.1 2.2
;
proc quillfit data=d;
  model y = x1;
  algorithm newton;
run;
