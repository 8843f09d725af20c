/* A macro that loops over data sets and models with %DO: counts each data set's rows with CALL
   SYMPUTX (into the global table: the macro's own table goes when it ends), fits every model to
   every data set with PROC QUILLFIT and OUTINFO=, labels each OUTINFO row through && references
   and stacks the rows with a SET statement the loop writes. MPRINT shows the generated code; the
   stacked row of one fit equals the OUTINFO of the same fit written out by hand. Row counts by
   /usr/bin/python3 and pandas: 97 rows, 47 with age < 65. A DATA step variable named DATA is
   assigned (data = ...), not taken for a new step. */
options mprint;
data young;
  set examples.prostate;
  where age < 65;
run;
%let data1 = examples.prostate;
%let data2 = young;
%let model1 = lcavol lweight age lbph svi lcp gleason pgg45;
%let model2 = lcavol lweight svi;

%macro fit_all(ndata, nmodel, response=lpsa);
  %local d m;
  %do d = 1 %to &ndata;
    data _null_;
      set &&data&d end=last;
      if last then call symputx("nobs&d", _n_, 'g');
    run;
    %do m = 1 %to &nmodel;
      proc quillfit data=&&data&d outinfo=info noprint;
        model &response = &&model&m;
      run;
      data info_&d._&m;
        length data $ 20 model $ 4;
        set info;
        data = "&&data&d";
        model = "m&m";
        rows = &&nobs&d;
      run;
    %end;
  %end;
  data all_info;
    set %do d = 1 %to &ndata; %do m = 1 %to &nmodel; info_&d._&m %end; %end;;
  run;
%mend fit_all;

%fit_all(2, 2)
%put Fitted %eval(2 * 2) models to &nobs1 and &nobs2 rows.;

proc quillfit data=young outinfo=by_hand noprint;
  model lpsa = lcavol lweight svi;
run;
data check;
  merge all_info(where=(data = "young" and model = "m2"))
        by_hand(rename=(lambda=hand_lambda bic=hand_bic simple_df=hand_df));
  same = (lambda = hand_lambda) + (bic = hand_bic) + (simple_df = hand_df);
run;
proc print data=all_info;
  var data model rows;
run;
proc print data=check;
  var same;
run;
