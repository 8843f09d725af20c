/* The fits of the REFIT Monte Carlo (run.sh): BIC and BIC / REFIT on each replicate. */
proc import datafile="fl.csv" out=fl dbms=csv replace; run;
proc import datafile="po.csv" out=po dbms=csv replace; run;
proc quillfit data=fl outbetas=fl_bic noprint; by rep; model y = x1-x8; selection bic; run;
proc quillfit data=fl outbetas=fl_refit noprint; by rep; model y = x1-x8; selection bic / refit; run;
proc quillfit data=po outbetas=po_bic noprint; by rep; model y = x1-x8; dist poisson; selection bic; run;
proc quillfit data=po outbetas=po_refit noprint; by rep; model y = x1-x8; dist poisson; selection bic / refit; run;
proc export data=fl_bic outfile="fl_bic.csv" dbms=csv replace; run;
proc export data=fl_refit outfile="fl_refit.csv" dbms=csv replace; run;
proc export data=po_bic outfile="po_bic.csv" dbms=csv replace; run;
proc export data=po_refit outfile="po_refit.csv" dbms=csv replace; run;
