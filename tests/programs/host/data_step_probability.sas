/* CDF, PDF and QUANTILE of the five distributions, PROBNORM and PROBIT, the trigonometric and
   hyperbolic functions; expected values from data_step_probability.py (scipy.stats, numpy). */
data _null_;
  n1 = cdf('normal', 1.96); n2 = cdf('NORMAL', 130, 100, 15); n3 = pdf('normal', 0.5, 1, 2);
  n4 = quantile('normal', 0.025, 100, 15); n5 = cdf('gauss', -8.5);
  put n1= 14.12 n2= 14.12 n3= 14.12 n4= 16.10 n5= e16.;
  t1 = cdf('t', 2.228, 10); t2 = pdf('T', -1.5, 3); t3 = quantile('t', 0.975, 10); t4 = quantile('t', 0.001, 2.5);
  put t1= 14.12 t2= 14.12 t3= 16.10 t4= 16.10;
  c1 = cdf('chisq', 3.84, 1); c2 = pdf('chisquare', 4, 3); c3 = quantile('chisq', 0.95, 7); c4 = cdf('chisq', -1, 2);
  put c1= 14.12 c2= 14.12 c3= 16.10 c4=;
  b1 = cdf('binomial', 3, 0.3, 10); b2 = pdf('binomial', 3, 0.3, 10); b3 = quantile('binomial', 0.5, 0.3, 10);
  b4 = cdf('binomial', 3.7, 0.3, 10); b5 = pdf('binomial', 3.5, 0.3, 10); b6 = cdf('binomial', 12, 0.3, 10);
  put b1= 14.12 b2= 14.12 b3= b4= 14.12 b5= b6=;
  p1 = cdf('poisson', 2, 3.5); p2 = pdf('poisson', 4, 3.5); p3 = quantile('poisson', 0.9, 3.5); p4 = cdf('poisson', -1, 3.5);
  put p1= 14.12 p2= 14.12 p3= p4=;
  pn = probnorm(-1.2); pr = probit(0.9); pr2 = probit(1e-10);
  put pn= 14.12 pr= 16.10 pr2= 16.10;
  s = sin(0.7); c = cos(0.7); ta = tan(0.7); as = arsin(0.5); ac = arcos(-0.3); at = atan(2); a2 = atan2(-1, -2);
  put s= 14.12 c= 14.12 ta= 14.12 as= 14.12 ac= 14.12 at= 14.12 a2= 15.12;
  sh = sinh(1.3); ch = cosh(1.3); th = tanh(-0.4);
  put sh= 14.12 ch= 14.12 th= 15.12;
run;

/* Outside the domain: missing with a note; a missing argument: missing, counted. */
data _null_;
  bad1 = probit(1); bad2 = cdf('normal', 1, 0, -1); bad3 = quantile('chisq', 1.5, 2); bad4 = arsin(2);
  bad5 = cdf('binomial', 1, 1.2, 5); miss = cdf('t', ., 4);
  put bad1= bad2= bad3= bad4= bad5= miss=;
run;

data _null_;
  x = cdf('weibull', 1, 2);
run;
