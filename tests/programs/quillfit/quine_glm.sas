/* Quine's school absence data (derive/quine_glm.R writes them and the maximum-likelihood fit): a Poisson
   model whose every predictor is clearly in. The first grid value is selected and its fit is
   the unpenalized one, equal to glm(); nothing suggests a smaller lambda, so no warning. */
proc quillfit data=here.quine details outinfo=info;
  model Days = Eth Sex Age Lrn;
  class Eth Sex Age Lrn;
  dist poisson;
run;
