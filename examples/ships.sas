/* Damage to cargo ships (McCullagh and Nelder, 1989): damage incidents against ship type, year
   of construction and period of operation, a Poisson rate model whose exposure is the aggregate
   months of service, entered as the offset ln(service). The six type-period combinations never
   in service have no offset and are left out of the fit. MAXITER 2000: near lambda 3.1, where
   the last CLASS levels leave the path, three fits take up to about 520 passes (the fit at the
   selected lambda takes about 100). */
libname ex 'data';
libname out 'out';

proc quillfit data=ex.ships outbetas=out.ships_betas outpred=out.ships_pred plots=path;
  model incidents = type year period / offset=log_service;
  class type year period;
  dist poisson;
  maxlambda full;
  maxiter 2000;
run;
