/* FORMAT in the procedure's step: CLASS levels are the formatted values, as SAS procedures form
   them, whether the variable is character ($AGEGRP. makes two levels of Age's four) or numeric
   (AGEF. on a number made from Age). quine_format.R fits the same grouping with glm(), which the
   fits at a negligible lambda equal. A FORMAT naming a variable the data set does not have stops
   its step, with the statement's line. */
proc format;
  value $agegrp 'F0' = 'Primary' other = 'Secondary';
  value $lrn 'AL' = 'Average' 'SL' = 'Slow';
  value agef 0 = 'Primary' 1-3 = 'Secondary';
run;
proc quillfit data=here.quine outinfo=info;
  model Days = Eth Sex Age Lrn;
  class Eth Sex Age Lrn;
  format Age $agegrp. Lrn $lrn.;
  dist poisson;
  minlambda 0.000001;
  maxlambda 0.00001;
  gridsize 2;
run;
data q;
  set here.quine;
  agecode = input(substr(Age, 2, 1), 1.);
run;
proc quillfit data=q outbetas=betas noprint;
  model Days = Eth Sex agecode Lrn;
  class Eth Sex agecode Lrn;
  format agecode agef. Lrn $lrn.;
  dist poisson;
  minlambda 0.000001;
  maxlambda 0.00001;
  gridsize 2;
run;
proc print data=betas; format _all_ 12.8; run;
proc quillfit data=here.quine outbetas=nothing;
  model Days = Eth Sex;
  class Eth Sex;
  format nosuch $lrn.;
run;
