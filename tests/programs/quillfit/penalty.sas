/* PENALTY: MCP (A is its gamma, 3 unless given) on the LQA path, named by the listing, OUTINFO
   and the plot; the lasso on the descent path at one lambda, against its solution derived in R
   (derive/penalty.R), where A is ignored with a warning; A out of MCP's range, and a penalty
   of another name, refused. */
libname out '.';
proc quillfit data=examples.prostate outinfo=out.mcp_info plots=path;
  model lpsa = lcavol lweight age lbph svi lcp gleason pgg45;
  penalty mcp;
run;
proc quillfit data=examples.prostate outinfo=out.lasso_info outbetas=out.lasso_betas;
  model lpsa = lcavol lweight age lbph svi lcp gleason pgg45;
  penalty lasso;
  algorithm icm;
  a 2.5;
  gridsize 1;
  minlambda 0.05;
  maxlambda 0.05;
run;
proc quillfit data=examples.prostate;
  model lpsa = lcavol lweight age lbph svi lcp gleason pgg45;
  penalty mcp;
  a 0.8;
run;
proc quillfit data=examples.prostate;
  model lpsa = lcavol lweight age lbph svi lcp gleason pgg45;
  penalty elastic;
run;
