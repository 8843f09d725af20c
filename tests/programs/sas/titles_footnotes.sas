/* TITLE and FOOTNOTE head and close every procedure's listing, PROC QUILLFIT's included. */
title 'Prostate study';
title2 'Second line';
footnote 'Prepared by the analysis team';
proc quillfit data=examples.prostate;
  model lpsa = lcavol lweight;
run;
proc contents data=examples.prostate; run;
title2;
footnote;
proc freq data=examples.prostate; tables svi; run;
footnote12 'too far';
