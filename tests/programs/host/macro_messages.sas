/* The macro processor's messages and traces as SAS writes them: SYMBOLGEN and MLOGIC, an unresolved
   reference and call, a %EVAL error stopping its macro, %SYMDEL of a name that is not there,
   %PUT _USER_, an open-code %IF, SYSERR after a failed step, and a value cut to 65534 characters. */
options symbolgen mlogic;
%macro twice(v);
  %let doubled = %eval(&v * 2);
  %if &doubled > 5 %then %put big &doubled;
  %else %put small &doubled;
%mend twice;
%twice(3)
options nosymbolgen nomlogic;
%macro broken(v);
  %if &v + 1 > 0 %then %put never;
  %put not &v reached;
%mend;
%broken(abc)
%put &nothere %missing_macro;
%symdel nothere;
%let keep = 1;
%put _user_;
%if &keep = 1 %then %do;
  %put open code if;
%end;
data _null_;
  x = ;
run;
%put syserr=&syserr;
%let x = 0123456789;
%macro grow; %do i = 1 %to 13; %let x = &x&x; %end; %mend;
%grow
%put %length(&x);
