/* PLOTS=ALL writes the path and criterion plots as SVG files into the graphics folder (here the
   listing's folder), named after the step, so a second step keeps its own files. */
proc quillfit data=here.fit plots=all noprint;
  model y = x1 x2 x3 k;
  class k;
run;
proc quillfit data=here.fit plots=(path);
  model y = x1 x2;
  dist normal;
run;
