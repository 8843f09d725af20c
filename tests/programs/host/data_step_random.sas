/* RAND's stream: MT19937 from CALL STREAMINIT(seed), 53-bit uniforms, and the transformations
   of each distribution; RANUNI and RANNOR's congruential stream. Expected values from
   data_step_random.py (numpy's MT19937 and scipy.stats). */
data _null_;
  call streaminit(5489);
  do i = 1 to 3;
    u = rand('uniform');
    put i= u= 18.16;
  end;
  z = rand('normal', 10, 2); e = rand('exponential'); b = rand('bernoulli', 0.5); n = rand('binomial', 0.3, 20);
  p = rand('poisson', 2.5); k = rand('integer', 1, 6); pb = rand('poisson', 100); bb = rand('binomial', 0.5, 1000);
  ab = rand('uniform', 5, 7); e2 = rand('expo', 3); z1 = rand('normal');
  put z= 16.12 e= 16.12 b= n= p= k= pb= bb= ab= 16.12 e2= 16.12 z1= 16.12;
run;

/* The same seed gives the same stream in another step; a second STREAMINIT is too late. */
data _null_;
  call streaminit(5489);
  first = rand('uniform');
  call streaminit(1);
  second = rand('uniform');
  bad = rand('bernoulli', 2);
  put first= 18.16 second= 18.16 bad=;
run;

data _null_;
  do i = 1 to 3;
    r = ranuni(12345);
    put r= 16.14;
  end;
  g = rannor(0);
  put g= 16.12;
run;
