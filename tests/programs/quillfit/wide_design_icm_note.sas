/* 400 observations of a CLASS predictor with 250 levels: 250 design columns, more than one for
   every 4 observations, so the LQA path (the default) notes that ALGORITHM ICM is the path for
   this design before it fits. */
data wide;
  do i = 1 to 400;
    g = mod(i * 7, 250);
    x = mod(i, 13) - 6;
    y = 1 + 0.5 * x + mod(i * 31, 17) / 10;
    output;
  end;
run;
proc quillfit data=wide;
  class g;
  model y = x g;
  gridsize 5;
run;
