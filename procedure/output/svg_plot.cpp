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
constexpr PLINT kLineStyles = 8; // PLplot's predefined dash patterns

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

// A line's style: colours first, then dash patterns, so that every line differs.
PLINT colour_of(std::size_t i) { return kFirstLine + static_cast<PLINT>(i % kLineColours); }
PLINT style_of(std::size_t i) { return 1 + static_cast<PLINT>((i / kLineColours) % kLineStyles); }

void legend(plstream &pls, const lambda_plot &plot) {
    const std::size_t count = plot.lines.size() + 1;
    std::vector<PLINT> options(count, PL_LEGEND_LINE), colours(count), styles(count), ink(count, kInk),
        zero_int(count, 0);
    std::vector<PLFLT> widths(count, 2.0), zero(count, 0.0);
    std::vector<std::string> texts(count);
    std::vector<const char *> text_ptrs(count), no_symbol(count, "");
    for (std::size_t i = 0; i < plot.lines.size(); ++i) {
        colours[i] = colour_of(i);
        styles[i] = style_of(i);
        texts[i] = plain_text(plot.lines[i].label);
    }
    colours.back() = kGrey;
    styles.back() = 2;
    widths.back() = 1.0;
    texts.back() = plain_text(plot.marked_label);
    for (std::size_t i = 0; i < count; ++i) text_ptrs[i] = texts[i].c_str();
    PLFLT width = 0, height = 0;
    pls.legend(&width, &height, PL_LEGEND_BACKGROUND | PL_LEGEND_BOUNDING_BOX,
               PL_POSITION_RIGHT | PL_POSITION_OUTSIDE | PL_POSITION_VIEWPORT, 0.02, 0.0, 0.08, 0,
               kInk, 1, 0, 0, static_cast<PLINT>(count), options.data(), 1.0, 0.8, 2.0, 0.0,
               ink.data(), text_ptrs.data(), zero_int.data(), zero_int.data(), zero.data(), zero.data(),
               colours.data(), styles.data(), widths.data(), zero_int.data(), zero.data(),
               zero_int.data(), no_symbol.data());
}

void draw(const lambda_plot &plot, const range &x, const range &y, std::FILE *file) {
    // Where plabort would print its sentence when no buffer is given.
    static char library_message[4096];
    PLINT library_error = 0;
    plsabort(report_library_problem);
    plsexit(stop_drawing);
    plstream pls;
    pls.sError(&library_error, library_message);
    pls.sdev("svg");
    pls.sfile(file);
    pls.spage(0, 0, 960, 600, 0, 0);
    pls.scmap0(kRed, kGreen, kBlue, kColours);
    pls.init();
    pls.adv(0);
    pls.schr(0, 0.85);
    pls.vpor(0.1, 0.72, 0.12, 0.9);
    pls.wind(x.low, x.high, y.low, y.high);
    pls.col0(kInk);
    pls.slabelfunc(lambda_label, nullptr);
    // Log ticks need a whole decade; a shorter span gets evenly spaced ticks of log10(lambda).
    pls.box(x.high - x.low >= 1.0 ? "bcnstlo" : "bcnsto", 0, 0, "bcnstv", 0, 0);
    pls.lab("lambda (log scale)", plain_text(plot.value_label).c_str(), plain_text(plot.title).c_str());

    std::vector<PLFLT> xs;
    for (std::size_t i = 0; i < plot.lines.size(); ++i) {
        const plot_line &line = plot.lines[i];
        xs.resize(line.lambda.size());
        std::transform(line.lambda.begin(), line.lambda.end(), xs.begin(), [](double l) { return std::log10(l); });
        pls.col0(colour_of(i));
        pls.lsty(style_of(i));
        pls.width(2.0);
        pls.line(static_cast<PLINT>(xs.size()), xs.data(), line.value.data());
    }

    const PLFLT mark[2] = {std::log10(plot.marked_lambda), std::log10(plot.marked_lambda)};
    const PLFLT span[2] = {y.low, y.high};
    pls.col0(kGrey);
    pls.lsty(2);
    pls.width(1.0);
    pls.line(2, mark, span);
    if (plot.mark_point) {
        const PLFLT value = plot.marked_value;
        pls.col0(kInk);
        pls.ssym(0, 1.6);
        pls.poin(1, mark, &value, 17); // a filled circle
    }
    pls.lsty(1);
    legend(pls, plot);
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
