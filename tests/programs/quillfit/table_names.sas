/* The estimates table lines up whatever the names: a one-letter name, a 32-character name, a
   UTF-8 name and a CLASS predictor with UTF-8 levels; the zero coefficient is named below. */
proc quillfit data=here.names;
  model y = x measurement_of_something_long_12 'größe'n noise farbe;
  class farbe;
run;
