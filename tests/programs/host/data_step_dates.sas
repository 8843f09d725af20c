/* Dates, times and datetimes: informats, constants, the date functions, INTCK's two methods,
   INTNX's alignments and YRDIF's bases; expected values from data_step_dates.py. */
data dates;
  input start :date9. stop :mmddyy10. stamp :datetime20. clock :time8.;
  days = stop - start;
  months = intck('month', start, stop);
  months_c = intck('month', start, stop, 'c');
  weeks = intck('week', start, stop);
  years = intck('year', start, stop);
  years_c = intck('year', start, stop, 'continuous');
  qtrs = intck('qtr', start, stop);
  next_month = intnx('month', start, 1);
  month_end = intnx('month', start, 0, 'end');
  same_next = intnx('month', start, 1, 'same');
  qtr_begin = intnx('qtr', stop, -1, 'b');
  year_mid = intnx('year', start, 2, 'm');
  week_start = intnx('week', stop, 0);
  age = yrdif(start, stop, 'AGE');
  act = yrdif(start, stop, 'ACT/ACT');
  t360 = yrdif(start, stop, '30/360');
  y = year(start); m = month(start); dd = day(start); q = qtr(start); wd = weekday(start);
  built = mdy(m, dd, y);
  dp = datepart(stamp); tp = timepart(stamp);
  hr = hour(stamp); mn = minute(stamp); sc = second(stamp);
  back = dhms(dp, hr, mn, sc) - stamp;
  later = intnx('dthour', stamp, 3);
  clock2 = hms(hour(clock), minute(clock), 30);
  format start next_month month_end same_next qtr_begin year_mid week_start built dp date9.
         stop yymmdd10. stamp later datetime20. tp clock clock2 time8.;
  put start= stop= days= months= months_c= weeks= years= years_c= qtrs=;
  put next_month= month_end= same_next= qtr_begin= year_mid= week_start=;
  put age= 12.8 act= 12.8 t360= 12.8 y= m= dd= q= wd= built=;
  put stamp= dp= tp= hr= mn= sc= back= later= clock= clock2=;
datalines;
31JAN2024 02/29/2024 15JAN2024:10:30:15 9:05
15MAR1998 03/14/2024 01JAN1960:00:00:00 23:59:59
29FEB2000 02/28/2024 31DEC1999:23:59:59 0:00
;
data constants;
  d = '01jan2024'd; t = '10:00't; dt = '01jan2024:10:00'dt;
  put d= t= dt= ;
  put d= date9. t= time8. dt= datetime20.;
  wrong = intck('fortnight', d, d + 1);
  also = yrdif(d, d + 1, 'ACT/999');
run;
