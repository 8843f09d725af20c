/* Two output options naming one data set, however it is spelled, are refused before any data is read. */
libname l '.';
proc quillfit data=here.fit outbetas=l.x outpath=l.x; model y = x1; gridsize 5; run;
proc quillfit data=here.fit outinfo='x.csv' noprint
  outbetas=L.X; model y = x1; gridsize 5; run;
proc quillfit data=here.fit outbetas=_null_ outpath=work.e outpred=e outerrs=_null_; model y = x1; gridsize 5; run;
