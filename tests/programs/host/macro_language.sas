/* The macro language at work on DATA steps: CALL SYMPUTX counts read back through && references
   (into the global table by its scope argument, or because the names were made %GLOBAL: COUNT's
   own table holds its %DO index, so SYMPUTX would otherwise write there and lose them),
   %DO and %IF/%ELSE generating statements, keyword and positional parameters, %EVAL, %SYSEVALF,
   %SYSFUNC and the text functions, %INCLUDE, and the %PUT after a generated step seeing what the
   step set. Values worked out by hand: a holds 1 2 3 4 (4 rows, sum 10), b holds 10 20 (2 rows,
   sum 30); the mean of all six is 40/6. */
options mprint;
data a;
  input x;
  datalines;
1
2
3
4
;
data b;
  input x;
  datalines;
10
20
;
%let ds1 = a;
%let ds2 = b;
%global sum1 sum2;
%macro count(n);
  %do i = 1 %to &n;
    data _null_;
      set &&ds&i end=last;
      total + x;
      if last then do;
        call symputx("nobs&i", _n_, 'g');
        call symputx("sum&i", total);
      end;
    run;
  %end;
%mend count;
%count(2)
%macro report(n, label=Rows);
  data summary;
    length name $ 8;
  %do i = 1 %to &n;
    name = "&&ds&i"; rows = &&nobs&i; total = &&sum&i;
    %if &&nobs&i > 3 %then %do; big = 1; %end;
    %else %do; big = 0; %end;
    output;
  %end;
  run;
  %put &label: &nobs1 and &nobs2, %eval(&nobs1 + &nobs2) in all, mean %sysevalf((&sum1 + &sum2) / (&nobs1 + &nobs2));
%mend;
%report(2, label=Counted)
proc print data=summary; run;
%put %upcase(done:) %sysfunc(max(&sum1, &sum2)) %scan(&ds1 &ds2, 2) %substr(summary, 1, 3) %length(&ds1&ds2);
%put last=&syslast err=&syserr;
%macro print_if(ds);
  %if %sysfunc(exist(&ds)) %then %do;
    proc print data=&ds noobs; var name; run;
  %end;
  %else %put &ds is not there.;
%mend;
%print_if(summary)
%print_if(work.nothere)
