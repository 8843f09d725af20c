/* PROC MEANS and PROC FREQ on the shipped data sets; the numbers come from means_freq_expected.py. */
title 'Summaries';
proc means data=examples.biopsy n nmiss mean std min max sum median q1 q3 maxdec=4;
  class class; var V6;
run;
proc means data=examples.prostate median q1 q3 maxdec=6; class svi; var lpsa; run;
proc sort data=examples.biochemists out=chem; by fem; run;
proc means data=chem maxdec=3; by fem; var art; run;
proc means data=examples.biochemists noprint nway; class fem mar; var art; output out=nw mean(art)=mean_art; run;
proc print data=nw; run;
proc means data=examples.biochemists; class fem mar; var art; output out=m mean(art)=mean_art n(art)=n; run;
proc print data=m; run;
proc means data=examples.biochemists; by fem; var art; run;
proc freq data=examples.biochemists; tables kid5 fem*mar / out=counts; run;
proc print data=counts; run;
proc freq data=examples.biopsy; tables V6 / nocum; run;
