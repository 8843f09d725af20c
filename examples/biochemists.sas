/* Publications of biochemistry Ph.D. students (Long, 1990): articles in the last three years
   of the Ph.D. against gender, marital status, young children, the prestige of the department
   and the mentor's articles, a Poisson model. Gender and marital status are CLASS
   predictors given as text. */
libname ex 'data';
libname out 'out';

proc quillfit data=ex.biochemists outbetas=out.biochemists_betas outerrs=out.biochemists_errs
              outinfo=out.biochemists_info;
  model art = fem mar kid5 phd ment;
  class fem mar;
  dist poisson;
  df projection;
run;

proc print data=out.biochemists_betas;
run;
