/* Fisher's iris flowers, from a .sas7bdat file written by SAS: the data set described, summarized
   by species, and petal width modeled on the other measurements with species as a CLASS
   predictor, a normal model. */
libname ex 'data';
libname out 'out';
title 'Iris flowers (a SAS data file)';

proc contents data=ex.iris;
run;

proc means data=ex.iris n mean std min max maxdec=2;
  class Species;
  var Sepal_Length Sepal_Width Petal_Length Petal_Width;
run;

proc freq data=ex.iris;
  tables Species;
run;

proc quillfit data=ex.iris outbetas=out.iris_betas;
  model Petal_Width = Sepal_Length Sepal_Width Petal_Length Species;
  class Species;
run;

proc print data=out.iris_betas;
run;
