/* CLASS levels whose bytes are not UTF-8 (a surrogate, a code point above U+10FFFF, an overlong
   form, a stray byte, a cut sequence) and a control character are drawn as U+FFFD: the SVG files
   stay well-formed, every legend entry is kept and the plotting library has nothing to say. */
proc quillfit data=here.plot_levels plots=all noprint;
  model y = x1 k;
  class k;
run;
