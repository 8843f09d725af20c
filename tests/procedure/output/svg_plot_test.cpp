// Plot text: bytes that are not UTF-8, control characters and non-characters become U+FFFD
// before they reach the plotting library, so the SVG stays well-formed and no label is lost; the
// library's complaints are log warnings, never lines on standard error.
#include <gtest/gtest.h>
#include <plplot.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "host_link.h"
#include "output/svg_plot.h"

// The library's own error entries, which its public header does not declare.
extern "C" void plabort(const char *message);
extern "C" void plexit(const char *message);

namespace quill::proc {
namespace {

const std::string fffd = "\xEF\xBF\xBD";

std::string times(int n, const std::string &s) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(PlotText, EachIllFormedPartBecomesOneReplacementCharacter) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain # text", "plain # text"},
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {"\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF", "\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF"},
        {"a\xED\xA0\x80z", times(1, "a") + times(3, fffd) + "z"}, // a surrogate
        {"\xF4\x90\x80\x80", times(4, fffd)},                 // above U+10FFFF
        {"\xF5\x80", times(2, fffd)},
        {"\xC0\xAF", times(2, fffd)},                         // overlong '/'
        {"\xE0\x80\xAF", times(3, fffd)},
        {"\xF0\x8F\xBF\xBF", times(4, fffd)},
        {"\xE2\x82", fffd},                                   // cut at the end
        {"\xE2\x82x\xF0\x9F\x98", fffd + "x" + fffd},
        {"\xFF\xFE\x80", times(3, fffd)},
        {"\x01\x1F\x7F\t\n", times(5, fffd)},                 // controls
        {"\xEF\xBF\xBE\xEF\xBF\xBF", times(2, fffd)},        // U+FFFE, U+FFFF
    };
    for (const auto &[in, out] : cases) EXPECT_EQ(valid_plot_text(in), out) << in;
}

std::vector<std::string> g_log;

// Keeps the class prefix ("%2z") as it is and formats the rest.
void test_log(const char *format, ...) {
    va_list args;
    va_start(args, format);
    char buffer[1024];
    std::vsnprintf(buffer, sizeof buffer, format + 3, args);
    va_end(args);
    g_log.push_back(std::string(format, 3) + buffer);
}

class SvgPlot : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = host();
        host().log = test_log;
        g_log.clear();
    }
    void TearDown() override {
        host() = saved_;
        std::filesystem::remove(file_);
    }
    // Draws the chart into a file of its own and returns the file's text.
    std::string draw(const lambda_plot &plot) {
        std::FILE *out = std::fopen(file_.c_str(), "w");
        EXPECT_NE(out, nullptr);
        std::string why;
        EXPECT_TRUE(write_svg_plot(plot, out, why)) << why;
        std::ifstream in(file_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    const std::string file_ = (std::filesystem::path(::testing::TempDir()) /
                               ("quill_svg_plot-" + std::to_string(::getpid()) + ".svg"))
                                  .string();

private:
    qh_routines saved_{};
};

TEST_F(SvgPlot, BadBytesInTheTextKeepTheFileWellFormedAndEveryLabel) {
    if (!svg_plots_available()) GTEST_SKIP() << "PLplot has no SVG device here";
    lambda_plot plot;
    plot.title = "Path of DATA\xED\xA0\x80";
    plot.value_label = "value\xF4\x90\x80\x80";
    plot.marked_label = "selected";
    plot.marked_lambda = 0.5;
    for (const char *label : {"k=A\xED\xA0\x80", "k=B\xC0\xAF", "k=C\x01"})
        plot.lines.push_back({label, {0.1, 1.0, 10.0}, {1.0, 0.5, 0.0}, {}, false});
    const std::string svg = draw(plot);
    EXPECT_EQ(svg.find("&#xd800;"), std::string::npos);
    EXPECT_EQ(svg.find("&#x110000;"), std::string::npos);
    // The legend holds each line's label, its bad bytes replaced.
    for (const char *label : {"&#x41;&#xfffd;&#xfffd;&#xfffd;<", "&#x42;&#xfffd;&#xfffd;<",
                              "&#x43;&#xfffd;<"})
        EXPECT_NE(svg.find(label), std::string::npos) << label;
    EXPECT_EQ(std::system(("xmllint --noout " + file_).c_str()), 0);
    EXPECT_TRUE(g_log.empty());
}

// The SVG form of a text: each character as a hexadecimal reference.
std::string svg_text(const std::string &text) {
    std::string out;
    char buffer[16];
    for (unsigned char c : text) {
        std::snprintf(buffer, sizeof buffer, "&#x%x;", c);
        out += buffer;
    }
    return out;
}

// Where the text element holding exactly `text` is drawn (its transform's last two numbers,
// y counted up from the bottom of the page), or nothing.
std::optional<std::pair<double, double>> text_position(const std::string &svg, const std::string &text) {
    const std::size_t at = svg.find(">" + svg_text(text) + "</tspan>");
    if (at == std::string::npos) return std::nullopt;
    const std::size_t matrix = svg.rfind("transform=\"matrix(", at);
    double m[6];
    if (matrix == std::string::npos ||
        std::sscanf(svg.c_str() + matrix, "transform=\"matrix(%lf %lf %lf %lf %lf %lf)", &m[0], &m[1], &m[2], &m[3],
                    &m[4], &m[5]) != 6)
        return std::nullopt;
    return std::pair{m[4], m[5]};
}

TEST_F(SvgPlot, EveryLegendEntryIsOnThePageAtAnyNumberOfLines) {
    if (!svg_plots_available()) GTEST_SKIP() << "PLplot has no SVG device here";
    for (int lines : {10, 33, 100, 200}) {
        lambda_plot plot;
        plot.title = "path";
        plot.marked_label = "selected lambda";
        plot.marked_lambda = 0.5;
        for (int k = 0; k < lines; ++k)
            plot.lines.push_back({"column " + std::to_string(k + 1), {0.1, 1.0, 10.0}, {1.0, 0.5 * k, 0.0}, {}, false});
        plot.lines[0].forced = true;
        plot.unconverged_lambda = {1.0};
        plot.count_lambda = {0.1, 1.0, 10.0};
        plot.count = {lines, lines / 2, 1};
        const plot_layout layout = layout_of(plot);
        EXPECT_EQ(layout.legend_below, lines > 10) << lines;
        const std::string svg = draw(plot);
        double height = 0;
        ASSERT_EQ(std::sscanf(svg.c_str() + svg.find("height=\""), "height=\"%lfpt\"", &height), 1);
        EXPECT_EQ(height, static_cast<int>(layout.page_height)) << "the page grows with the legend";
        std::vector<std::string> entries{"column 1 (forced in)", "selected lambda", "not converged"};
        for (int k = 2; k <= lines; ++k) entries.push_back("column " + std::to_string(k));
        for (const std::string &entry : entries) {
            const auto at = text_position(svg, entry);
            ASSERT_TRUE(at.has_value()) << lines << " " << entry;
            // Inside the page, with room for the text at about 7 units a character.
            EXPECT_GT(at->second, 0.0) << lines << " " << entry;
            EXPECT_LT(at->second, height) << lines << " " << entry;
            EXPECT_GE(at->first, 0.0) << lines << " " << entry;
            EXPECT_LE(at->first + 7.0 * entry.size(), 960.0) << lines << " " << entry;
        }
        // The top axis: its caption and the counts where they change.
        EXPECT_NE(svg.find(svg_text("number of nonzero coefficients")), std::string::npos);
        EXPECT_NE(svg.find(">" + svg_text(std::to_string(lines)) + "</tspan>"), std::string::npos);
    }
}

TEST_F(SvgPlot, TheLibrarysComplaintsAreLogWarnings) {
    if (!svg_plots_available()) GTEST_SKIP() << "PLplot has no SVG device here";
    lambda_plot plot;
    plot.marked_lambda = 1.0;
    plot.lines.push_back({"x", {0.1, 10.0}, {1.0, 0.0}, {}, false});
    draw(plot);
    // The library's abort handler stays ours after a chart: what it says reaches the log.
    static char quiet[512];
    PLINT code = 0;
    plsError(&code, quiet); // keeps the library's own copy of the sentence off standard error
    plabort("UTF-8 string is malformed: x\xFF");
    ASSERT_EQ(g_log.size(), 1u);
    EXPECT_EQ(g_log[0], "%2zThe plotting library reported: UTF-8 string is malformed: x" + fffd + ".");
    // Its fatal error, which would end the process once the handler returns, does not return
    // to it: the chart being drawn is given up instead.
    EXPECT_ANY_THROW(plexit(""));
}

} // namespace
} // namespace quill::proc
