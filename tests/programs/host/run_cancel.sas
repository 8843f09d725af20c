data one; input x y; datalines;
1 2
3 4
;
data one; set one; z = x + y; run cancel;
data two; set one; run Cancel ;
proc sort data=one; by descending x; run cancel;
proc quillfit data=one outbetas=betas; model y = x; run cancel;
proc print data=one; run;
