/* The ship damage data as a Poisson rate model: incidents per month of service, the offset
   ln(months of service). At a negligible lambda the fit is glm()'s with the offset
   (derive/ships_offset.R). The six ships never in service have no offset: left out, and not predicted. */
proc quillfit data=examples.ships outpred=pred;
  model incidents = type year period / offset=log_service;
  class type year period;
  dist poisson;
  gridsize 1;
  minlambda 1e-9;
run;
