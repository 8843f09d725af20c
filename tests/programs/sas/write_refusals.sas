/* What a SAS file cannot hold is refused before the earlier file is replaced: a number beyond a
   transport file's range, a NUL byte in a text, 4096 variables in a .sas7bdat file (4095 are
   written and read back). Trailing observations blank in every variable are lost to a version 5
   transport file, with a warning naming the data set. */
libname v v9 'work';
libname x xport 'work/big.xpt';
data x.big; v = 1; run;
data x.big; v = -1e300; run;
proc print data=x.big; run;
data v.nul; s = 'a'; run;
data v.nul; s = 'a'||'00'x||'b'; run;
proc print data=v.nul; run;
data v.wide; array x{4096}; do i = 1 to 4096; x{i} = i; end; drop i; run;
data v.wide; array x{4095}; do i = 1 to 4095; x{i} = i; end; drop i; run;
data last; set v.wide(keep=x4095); run;
proc print data=last; run;
libname b xport 'work/blank.xpt';
data b.blank; length a $ 3; input a $; datalines;
x
.
.
;
run;
proc print data=b.blank; run;
