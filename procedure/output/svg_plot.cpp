// The PLplot side of the plots: one stream per chart, drawn with the library's SVG device into
// a file the caller opened. Lambda is drawn as log10(lambda) and labelled in plain numbers.
// Text reaches the library as valid UTF-8 only, and the library's complaints go to the log: it
// would write them to standard error, and its fatal errors would end the process.
#include "output/svg_plot.h"

#include <plstream.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host_link.h"

namespace quill::proc {
namespace {

// Colour map 0: white background, black frame and text, grey marker line, then ten line colours
// that stay apart in print and for most colour-blind readers.
constexpr PLINT kRed[] = {255, 0, 128, 31, 255, 44, 214, 148, 140, 227, 127, 188, 23};
constexpr PLINT kGreen[] = {255, 0, 128, 119, 127, 160, 39, 103, 86, 119, 127, 189, 190};
constexpr PLINT kBlue[] = {255, 0, 128, 180, 14, 44, 40, 189, 75, 194, 127, 34, 207};
constexpr PLINT kColours = std::size(kRed);
constexpr PLINT kInk = 1, kGrey = 2, kFirstLine = 3, kLineColours = kColours - kFirstLine;

constexpr char kReplacement[] = "\xEF\xBF\xBD"; // U+FFFD

// The length of the well-formed UTF-8 sequence at text[i], or 0 when it is not one; `stop` is
// set to where the ill-formed part ends (the longest prefix of a valid sequence, at least one
// byte), so that each ill-formed part becomes one replacement character.
std::size_t sequence_length(const std::string &text, std::size_t i, std::size_t &stop) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t need = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the first continuation byte
    if (lead >= 0xC2 && lead <= 0xDF) need = 1;
    else if (lead == 0xE0) need = 2, low = 0xA0;        // no overlong forms
    else if (lead == 0xED) need = 2, high = 0x9F;       // no surrogates
    else if (lead >= 0xE1 && lead <= 0xEF) need = 2;
    else if (lead == 0xF0) need = 3, low = 0x90;        // no overlong forms
    else if (lead >= 0xF1 && lead <= 0xF3) need = 3;
    else if (lead == 0xF4) need = 3, high = 0x8F;       // nothing above U+10FFFF
    stop = i + 1;
    if (need == 0) return 0;
    for (std::size_t k = 1; k <= need; ++k, low = 0x80, high = 0xBF) {
        if (i + k >= text.size() || byte(i + k) < low || byte(i + k) > high) return 0;
        stop = i + k + 1;
    }
    // U+FFFE and U+FFFF are no characters of XML.
    if (lead == 0xEF && byte(i + 1) == 0xBF && byte(i + 2) >= 0xBE) return 0;
    return need + 1;
}

} // namespace

std::string valid_plot_text(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            // Control characters cannot stand in an SVG file.
            if (c < 0x20 || c == 0x7F) out += kReplacement;
            else out += text[i];
            ++i;
            continue;
        }
        std::size_t stop = i;
        const std::size_t length = sequence_length(text, i, stop);
        if (length == 0) {
            out += kReplacement;
            i = stop;
        } else {
            out.append(text, i, length);
            i += length;
        }
    }
    return out;
}

namespace {

// '#' starts an escape sequence in PLplot text.
std::string plain_text(const std::string &text) {
    std::string out;
    for (char c : valid_plot_text(text)) out += c == '#' ? std::string("##") : std::string(1, c);
    return out;
}

// PLplot's complaint about one operation (a text it could not draw, say): the chart goes on.
void report_library_problem(const char *message) {
    host().log("%2zThe plotting library reported: %s.", valid_plot_text(message ? message : "").c_str());
}

// PLplot's fatal error: after its handler returns the library ends the process, so the handler
// does not return. The exception passes through the library's frames (built with unwind tables)
// to write_svg_plot, which gives the plot up.
struct library_stopped {
    std::string message;
};
int stop_drawing(const char *message) { throw library_stopped{message ? message : ""}; }

void lambda_label(PLINT axis, PLFLT value, char *out, PLINT length, PLPointer) {
    if (axis == PL_X_AXIS) std::snprintf(out, static_cast<std::size_t>(length), "%.3g", std::pow(10.0, value));
    else std::snprintf(out, static_cast<std::size_t>(length), "%g", value);
}

struct range {
    double low = HUGE_VAL, high = -HUGE_VAL;
    void add(double v) {
        low = std::min(low, v);
        high = std::max(high, v);
    }
};

// Sizes in page units (the page is 960 wide): the chart keeps its size, the legend below it
// adds rows. The legend is laid out here, not by the library, so that its columns and rows are
// known before the page is sized.
constexpr double kPageWidth = 960, kTopMargin = 64, kCountsMargin = 40, kChartHeight = 440,
                 kAxisMargin = 78, kLegendRow = 24, kLegendPad = 10;
constexpr double kLeft = 96, kRightBeside = 691, kRightBelow = 920, kLegendLeftBelow = 24;
// Legend text: about 7 units a character at its size (8.5 leaves room for capitals), after a
// sample of 36 units.
constexpr double kLegendCharacter = 8.5, kLegendSample = 36, kLegendTextGap = 10, kLegendGap = 24;
constexpr double kLegendLeftBeside = kRightBeside + 16, kPageRightMargin = 6;
constexpr double kTextScale = 0.85, kLegendTextScale = 0.7, kCountTextScale = 0.7, kCrossScale = 0.55;
constexpr int kMostLegendColumns = 12;

// The library sizes text in proportion to the page's diagonal: a taller page gets a factor that
// keeps every text at the size it has on a page of 960 x 600.
struct text_size {
    double page_factor;
    void set(plstream &pls, double scale) const { pls.schr(0, scale * page_factor); }
};

// A line's style: colours first, then dash patterns, so that every line differs; the long dash
// is kept for the forced-in lines, which are also thicker.
constexpr PLINT kForcedStyle = 3;
constexpr PLINT kFreeStyles[] = {1, 2, 4, 5, 6, 7, 8};
struct line_style {
    PLINT colour, style;
    PLFLT width;
};
line_style style_of(const plot_line &line, std::size_t index) {
    const PLINT colour = kFirstLine + static_cast<PLINT>(index % kLineColours);
    if (line.forced) return {colour, kForcedStyle, 3.0};
    return {colour, kFreeStyles[(index / kLineColours) % std::size(kFreeStyles)], 2.0};
}

constexpr char kCross[] = "\u00d7";

bool any_unconverged(const lambda_plot &plot) {
    if (!plot.unconverged_lambda.empty()) return true;
    for (const plot_line &line : plot.lines)
        for (bool u : line.unconverged)
            if (u) return true;
    return false;
}

// Characters of a UTF-8 text.
std::size_t display_length(const std::string &text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// One legend entry: a line sample, or a cross, and its text.
struct legend_entry {
    std::string text;
    line_style style;
    bool cross = false;
};

std::vector<legend_entry> legend_entries(const lambda_plot &plot) {
    std::vector<legend_entry> entries;
    for (std::size_t i = 0; i < plot.lines.size(); ++i) {
        const plot_line &line = plot.lines[i];
        entries.push_back({plain_text(line.label) + (line.forced ? " (forced in)" : ""), style_of(line, i)});
    }
    if (!plot.bar_lambda.empty()) entries.push_back({plain_text(plot.bar_label), {kGrey, 1, 1.0}});
    entries.push_back({plain_text(plot.marked_label), {kGrey, 2, 1.0}});
    if (!plot.second_marked_label.empty())
        entries.push_back({plain_text(plot.second_marked_label), {kGrey, 3, 1.0}});
    if (any_unconverged(plot)) entries.push_back({"not converged", {kInk, 1, 1.0}, true});
    return entries;
}

double chart_top(const lambda_plot &plot) { return kTopMargin + (plot.count_lambda.empty() ? 0.0 : kCountsMargin); }

// Draws one legend entry with its sample at (x, y), page units.
void legend_entry_at(plstream &pls, const legend_entry &e, PLFLT x, PLFLT y) {
    const PLFLT sample_x[] = {x, x + kLegendSample}, sample_y[] = {y, y};
    pls.col0(e.style.colour);
    if (e.cross) {
        const PLFLT cx = x + kLegendSample / 2;
        pls.string(1, &cx, &y, kCross);
    } else {
        pls.lsty(e.style.style);
        pls.width(e.style.width);
        pls.line(2, sample_x, sample_y);
    }
    pls.col0(kInk);
    pls.ptex(x + kLegendSample + kLegendTextGap, y, 1.0, 0.0, 0.0, e.text.c_str());
}

// Draws the legend in page units: beside the chart, top-aligned with it, one entry a row; or
// below the axis label, the selected lambda and the crosses in a first row, then the lines in
// columns, down each column first.
void legend(plstream &pls, const text_size &text, const lambda_plot &plot, const plot_layout &layout) {
    std::vector<legend_entry> entries = legend_entries(plot);
    const double h = layout.page_height;
    const double top = h - chart_top(plot) - (layout.legend_below ? kChartHeight + kAxisMargin : 0.0);
    const double left = layout.legend_below ? kLegendLeftBelow : kLegendLeftBeside;
    const double width = layout.legend_below ? layout.legend_columns * layout.legend_column_width + 2 * kLegendPad
                                             : kPageWidth - kPageRightMargin - left;
    const double height = layout.legend_rows * kLegendRow + 2 * kLegendPad;
    pls.vpor(0.0, 1.0, 0.0, 1.0);
    pls.wind(0.0, kPageWidth, 0.0, h);
    const PLFLT box_x[] = {left, left + width, left + width, left, left};
    const PLFLT box_y[] = {top, top, top - height, top - height, top};
    pls.col0(kInk);
    pls.lsty(1);
    pls.width(1.0);
    pls.line(5, box_x, box_y);
    text.set(pls, kLegendTextScale);
    const auto y_of = [&](int row) { return top - kLegendPad - (row + 0.5) * kLegendRow; };
    int first_row = 0;
    if (layout.legend_below) {
        PLFLT x = left + kLegendPad;
        for (std::size_t i = plot.lines.size(); i < entries.size(); ++i) {
            legend_entry_at(pls, entries[i], x, y_of(0));
            x += kLegendSample + kLegendTextGap + kLegendCharacter * display_length(entries[i].text) + kLegendGap;
        }
        entries.resize(plot.lines.size());
        first_row = 1;
    }
    const int rows = layout.legend_rows - first_row;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int column = static_cast<int>(i) / rows, row = static_cast<int>(i) % rows;
        legend_entry_at(pls, entries[i], left + kLegendPad + column * layout.legend_column_width, y_of(first_row + row));
    }
    pls.lsty(1);
    pls.width(1.0);
    text.set(pls, kTextScale);
}

// The top axis: the count of nonzero coefficients where it changes, each number kept clear of
// the one before it, under its caption.
void count_axis(plstream &pls, const text_size &text, const lambda_plot &plot, const range &x) {
    if (plot.count_lambda.empty()) return;
    pls.mtex("t", 2.2, 0.5, 0.5, "number of nonzero coefficients");
    text.set(pls, kCountTextScale);
    constexpr double kGap = 0.04; // of the chart's width
    double last = -1.0;
    for (std::size_t i = 0; i < plot.count_lambda.size(); ++i) {
        if (i > 0 && plot.count[i] == plot.count[i - 1]) continue;
        const double at = (std::log10(plot.count_lambda[i]) - x.low) / (x.high - x.low);
        if (at < 0.0 || at > 1.0 || (last >= 0.0 && at - last < kGap)) continue;
        pls.mtex("t", 0.8, at, 0.5, std::to_string(plot.count[i]).c_str());
        last = at;
    }
    text.set(pls, kTextScale);
}

// Crosses on the points whose fit did not converge, and along the bottom of the chart at the
// lambdas where a fit did not.
void crosses(plstream &pls, const text_size &text, const lambda_plot &plot, const range &y) {
    std::vector<PLFLT> xs, ys;
    for (const plot_line &line : plot.lines)
        for (std::size_t k = 0; k < line.unconverged.size() && k < line.lambda.size(); ++k)
            if (line.unconverged[k]) {
                xs.push_back(std::log10(line.lambda[k]));
                ys.push_back(line.value[k]);
            }
    const double strip = y.low + 0.025 * (y.high - y.low);
    for (double lambda : plot.unconverged_lambda) {
        xs.push_back(std::log10(lambda));
        ys.push_back(strip);
    }
    if (xs.empty()) return;
    pls.col0(kInk);
    text.set(pls, kCrossScale);
    pls.string(static_cast<PLINT>(xs.size()), xs.data(), ys.data(), kCross);
    text.set(pls, kTextScale);
}

void draw(const lambda_plot &plot, const range &x, const range &y, std::FILE *file) {
    // Where plabort would print its sentence when no buffer is given.
    static char library_message[4096];
    PLINT library_error = 0;
    plsabort(report_library_problem);
    plsexit(stop_drawing);
    const plot_layout layout = layout_of(plot);
    const double top = chart_top(plot);
    const double right = layout.legend_below ? kRightBelow : kRightBeside;
    const double h = layout.page_height;
    plstream pls;
    pls.sError(&library_error, library_message);
    pls.sdev("svg");
    pls.sfile(file);
    pls.spage(0, 0, static_cast<PLINT>(kPageWidth), static_cast<PLINT>(h), 0, 0);
    pls.scmap0(kRed, kGreen, kBlue, kColours);
    pls.init();
    pls.adv(0);
    const text_size text{std::hypot(kPageWidth, 600.0) / std::hypot(kPageWidth, h)};
    text.set(pls, kTextScale);
    pls.vpor(kLeft / kPageWidth, right / kPageWidth, (h - top - kChartHeight) / h, (h - top) / h);
    pls.wind(x.low, x.high, y.low, y.high);
    pls.col0(kInk);
    pls.slabelfunc(lambda_label, nullptr);
    // Log ticks need a whole decade; a shorter span gets evenly spaced ticks of log10(lambda).
    pls.box(x.high - x.low >= 1.0 ? "bcnstlo" : "bcnsto", 0, 0, "bcnstv", 0, 0);
    pls.lab("lambda (log scale)", plain_text(plot.value_label).c_str(), "");
    pls.mtex("t", plot.count_lambda.empty() ? 2.0 : 3.8, 0.5, 0.5, plain_text(plot.title).c_str());
    count_axis(pls, text, plot, x);

    std::vector<PLFLT> xs;
    for (std::size_t i = 0; i < plot.lines.size(); ++i) {
        const plot_line &line = plot.lines[i];
        const line_style style = style_of(line, i);
        xs.resize(line.lambda.size());
        std::transform(line.lambda.begin(), line.lambda.end(), xs.begin(), [](double l) { return std::log10(l); });
        pls.col0(style.colour);
        pls.lsty(style.style);
        pls.width(style.width);
        pls.line(static_cast<PLINT>(xs.size()), xs.data(), line.value.data());
    }
    pls.lsty(1);
    pls.width(1.0);
    pls.col0(kGrey);
    for (std::size_t i = 0; i < plot.bar_lambda.size(); ++i) {
        const PLFLT at = std::log10(plot.bar_lambda[i]);
        const PLFLT bar_x[2] = {at, at}, bar_y[2] = {plot.bar_low[i], plot.bar_high[i]};
        pls.line(2, bar_x, bar_y);
    }
    crosses(pls, text, plot, y);

    const PLFLT mark[2] = {std::log10(plot.marked_lambda), std::log10(plot.marked_lambda)};
    const PLFLT span[2] = {y.low, y.high};
    pls.col0(kGrey);
    pls.lsty(2);
    pls.width(1.0);
    pls.line(2, mark, span);
    if (!plot.second_marked_label.empty()) {
        const PLFLT second[2] = {std::log10(plot.second_marked_lambda), std::log10(plot.second_marked_lambda)};
        pls.lsty(3);
        pls.line(2, second, span);
        pls.lsty(2);
    }
    if (plot.mark_point) {
        const PLFLT value = plot.marked_value;
        pls.col0(kInk);
        pls.ssym(0, 1.6 * text.page_factor);
        pls.poin(1, mark, &value, 17); // a filled circle
    }
    pls.lsty(1);
    legend(pls, text, plot, layout);
}

} // namespace

bool svg_plots_available() {
    constexpr int kMaxDevices = 256;
    const char *menu[kMaxDevices];
    const char *names[kMaxDevices];
    const char **menu_ptr = menu, **names_ptr = names;
    int count = kMaxDevices;
    plgDevs(&menu_ptr, &names_ptr, &count);
    for (int i = 0; i < count; ++i)
        if (names[i] != nullptr && std::strcmp(names[i], "svg") == 0) return true;
    return false;
}

plot_layout layout_of(const lambda_plot &plot) {
    plot_layout layout;
    const std::vector<legend_entry> entries = legend_entries(plot);
    const double chart_bottom = chart_top(plot) + kChartHeight + kAxisMargin;
    const int count = static_cast<int>(entries.size());
    const auto column_for = [](std::size_t longest) {
        return kLegendSample + kLegendTextGap + kLegendCharacter * static_cast<double>(longest) + kLegendGap;
    };
    std::size_t longest_entry = 0;
    for (const legend_entry &e : entries) longest_entry = std::max(longest_entry, display_length(e.text));
    const double beside_room = kPageWidth - kPageRightMargin - kLegendLeftBeside - 2 * kLegendPad + kLegendGap;
    if (count <= kLegendBesideEntries && column_for(longest_entry) <= beside_room) {
        layout.legend_column_width = column_for(longest_entry);
        layout.legend_rows = count;
        layout.page_height = std::max(600.0, chart_bottom);
        return layout;
    }
    // Below the chart the columns are as wide as the longest line's label; the two other
    // entries have a row of their own.
    std::size_t longest = 0;
    for (std::size_t i = 0; i < plot.lines.size(); ++i) longest = std::max(longest, display_length(entries[i].text));
    const double room = kPageWidth - 2 * kLegendLeftBelow - 2 * kLegendPad;
    const int lines = static_cast<int>(plot.lines.size());
    layout.legend_below = true;
    layout.legend_columns = std::clamp(static_cast<int>(room / column_for(longest)), 1, kMostLegendColumns);
    layout.legend_rows = 1 + (lines + layout.legend_columns - 1) / layout.legend_columns;
    // Columns of an equal share of the width, never narrower than the longest label.
    layout.legend_column_width = std::max(column_for(longest), room / layout.legend_columns);
    layout.page_height = chart_bottom + layout.legend_rows * kLegendRow + 2 * kLegendPad + 16;
    return layout;
}

bool plot_has_span(const lambda_plot &plot, std::string &why) {
    range x;
    for (const plot_line &line : plot.lines)
        for (double lambda : line.lambda) x.add(std::log10(lambda));
    if (x.high > x.low) return true;
    why = "it needs at least two grid values of lambda above 0";
    return false;
}

bool write_svg_plot(const lambda_plot &plot, std::FILE *file, std::string &why) {
    if (!plot_has_span(plot, why)) {
        std::fclose(file);
        return false;
    }
    range x, y;
    for (const plot_line &line : plot.lines)
        for (std::size_t i = 0; i < line.lambda.size(); ++i) {
            x.add(std::log10(line.lambda[i]));
            y.add(line.value[i]);
        }
    for (std::size_t i = 0; i < plot.bar_lambda.size(); ++i) {
        y.add(plot.bar_low[i]);
        y.add(plot.bar_high[i]);
    }
    if (!(y.high > y.low)) y = {y.low - 1.0, y.low + 1.0};
    const double pad = 0.05 * (y.high - y.low);
    y = {y.low - pad, y.high + pad};

    try {
        draw(plot, x, y, file);
    } catch (const library_stopped &stopped) {
        why = "the plotting library stopped: " + valid_plot_text(stopped.message);
        return false;
    }
    return true;
}

} // namespace quill::proc
