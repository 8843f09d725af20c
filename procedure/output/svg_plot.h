// A line chart against lambda on a log scale, written as SVG by the PLplot library: labelled
// lines with a legend, a dashed vertical line at one lambda (and optionally a dotted one at
// another), optional error bars, optionally one marked point, a
// cross on every point whose fit did not converge, and a top axis that counts the nonzero
// coefficients. The legend keeps every entry legible however many lines there are: beside the
// chart while they fit its height, else below it in as many columns as the labels allow, the
// image growing taller.
#ifndef QUILL_PROC_SVG_PLOT_H
#define QUILL_PROC_SVG_PLOT_H

#include <cstdio>
#include <string>
#include <vector>

namespace quill::proc {

struct plot_line {
    std::string label;
    std::vector<double> lambda, value; // points with a lambda above 0 and a finite value
    std::vector<bool> unconverged;     // per point, when given: its fit did not converge (a cross)
    bool forced = false;               // never penalized: long dashes, named so in the legend
};

struct lambda_plot {
    std::string title, value_label;
    std::vector<plot_line> lines;
    double marked_lambda = 0;                   // the dashed vertical line
    std::string marked_label;                   // its legend entry
    bool mark_point = false;                    // also a point at (marked_lambda, marked_value)
    double marked_value = 0;
    // The top axis: the number of nonzero coefficients at these lambdas (none when empty).
    std::vector<double> count_lambda;
    std::vector<int> count;
    // Lambdas whose fit did not converge, crossed along the bottom of the chart.
    std::vector<double> unconverged_lambda;
    // Error bars: a vertical bar from low to high at each lambda, named in the legend by bar_label.
    std::vector<double> bar_lambda, bar_low, bar_high;
    std::string bar_label;
    // A second dashed vertical line, dotted, when its label is not empty (another rule's lambda).
    double second_marked_lambda = 0;
    std::string second_marked_label;
};

// Where the legend goes and how tall the image is, from the number of entries and the longest
// label: beside the chart up to kLegendBesideEntries entries that fit its width, else below it
// in columns.
struct plot_layout {
    bool legend_below = false;
    int legend_columns = 1, legend_rows = 0;
    double legend_column_width = 0;
    double page_height = 0; // the page is 960 units wide
};
constexpr int kLegendBesideEntries = 16;
plot_layout layout_of(const lambda_plot &plot);

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
