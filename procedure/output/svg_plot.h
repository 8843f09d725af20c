// A line chart against lambda on a log scale, written as SVG by the PLplot library: labelled
// lines with a legend, a dashed vertical line at one lambda and, optionally, one marked point.
#ifndef QUILL_PROC_SVG_PLOT_H
#define QUILL_PROC_SVG_PLOT_H

#include <cstdio>
#include <string>
#include <vector>

namespace quill::proc {

struct plot_line {
    std::string label;
    std::vector<double> lambda, value; // points with a lambda above 0 and a finite value
};

struct lambda_plot {
    std::string title, value_label;
    std::vector<plot_line> lines;
    double marked_lambda = 0;                   // the dashed vertical line
    std::string marked_label;                   // its legend entry
    bool mark_point = false;                    // also a point at (marked_lambda, marked_value)
    double marked_value = 0;
};

// The text with every part that is not well-formed UTF-8 (overlong forms, surrogates, code
// points above U+10FFFF, cut sequences), every control character and U+FFFE/U+FFFF replaced by
// U+FFFD: what an SVG file can hold.
std::string valid_plot_text(const std::string &text);

// True when the SVG device of the plotting library is installed.
bool svg_plots_available();

// False, with the reason, when the chart has fewer than two distinct lambdas to span: there is
// nothing to draw.
bool plot_has_span(const lambda_plot &plot, std::string &why);

// Draws the chart into `file`, which the library closes. False, with the reason, when the chart
// has nothing to draw.
bool write_svg_plot(const lambda_plot &plot, std::FILE *file, std::string &why);

} // namespace quill::proc

#endif
