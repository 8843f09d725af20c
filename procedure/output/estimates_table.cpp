// The estimates table of the listing and the line naming the predictors it leaves out. Every
// column takes the width of its widest entry, counted in displayed characters, so Beta and
// Std. Errs. line up for the intercept, numeric predictors and CLASS levels alike.
#include "output/estimates_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "data/design_columns.h"
#include "host_link.h"

namespace quill::proc {
namespace {

// A coefficient is zero where the fit set it to zero; a small one in large units is not.
bool is_zero(double beta) { return beta == 0.0; }

// Removed names wrap before this many displayed characters.
constexpr std::size_t kRemovedWidth = 80;

using table_row = estimate_row;

struct column {
    const char *heading;
    std::string table_row::*field;
    bool right_aligned;
    std::size_t width;
};

// An estimate with six decimals, or below 0.001 in size with four significant digits in E
// notation as the BEST format shows it (-7.056E-7), so that a slope in large units is not
// printed as -0.000001.
std::string estimate_text(double value) {
    char text[64];
    if (value == 0.0 || !(std::fabs(value) < 1e-3)) {
        std::snprintf(text, sizeof text, "%9.6f", value);
        return text;
    }
    std::snprintf(text, sizeof text, "%.3E", value);
    std::string shown = text;
    // E-07 -> E-7: the exponent without its leading zeros.
    const std::size_t e = shown.find('E');
    std::size_t digits = e + 2;
    while (digits + 1 < shown.size() && shown[digits] == '0') shown.erase(digits, 1);
    return shown;
}

std::string trimmed_text(const char *text) { return trimmed(text).text; }

// A level's sum of weights (with WEIGHT), to the digits a count or a weight needs.
std::string weight_text(const class_coding &coding, int32_t level) {
    if (coding.weight_sums == nullptr) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", coding.weight_sums[level]);
    return text;
}

void add(std::string &line, const std::string &text, std::size_t width, bool right) {
    const std::string fill(width - std::min(width, display_width(text)), ' ');
    line += right ? fill + text : text + fill;
}


// With WEIGHT the CLASS levels' column counts rows ("Rows", not "Frequency": a row of weight 3
// stands for three observations) and the sum of their weights stands beside it.
void print_rows(const std::vector<table_row> &rows, bool with_class, bool weighted) {
    std::vector<column> columns{{"Variable", &table_row::name, false, 0}};
    if (with_class) {
        columns.push_back({"Level", &table_row::level, false, 0});
        columns.push_back({weighted ? "Rows" : "Frequency", &table_row::frequency, true, 0});
        if (weighted) columns.push_back({"Sum of weights", &table_row::weight, true, 0});
    }
    columns.push_back({"Beta", &table_row::beta, true, 0});
    columns.push_back({"Std. Errs.", &table_row::std_err, true, 0});
    for (column &c : columns) {
        c.width = display_width(c.heading);
        for (const table_row &row : rows) c.width = std::max(c.width, display_width(row.*c.field));
    }

    const auto print = [&](const auto &text_of) {
        std::string line;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c > 0) line += "  ";
            add(line, text_of(columns[c]), columns[c].width, columns[c].right_aligned);
        }
        line.erase(line.find_last_not_of(' ') + 1);
        list_line(line);
    };
    print([](const column &c) { return std::string(c.heading); });
    std::size_t total = 2 * (columns.size() - 1);
    for (const column &c : columns) total += c.width;
    list_line(std::string(total, '-'));
    for (const table_row &row : rows) print([&](const column &c) { return row.*c.field; });
}

// "Removed (coefficient 0): a b c", wrapped under the first name when it grows long.
void print_removed(const std::vector<std::string> &removed) {
    if (removed.empty()) return;
    const std::string lead = "Removed (coefficient 0):";
    std::string line = lead;
    for (const std::string &name : removed) {
        if (line.size() > lead.size() && display_width(line) + 1 + display_width(name) > kRemovedWidth) {
            list_line(line);
            line = std::string(lead.size(), ' ');
        }
        line += " " + name;
    }
    list_line(line);
    list_line("");
}

} // namespace

std::vector<estimate_row> estimate_rows(const proc_options &options, const proc_data &data, const proc_fit &fit,
                                        std::vector<std::string> &removed) {
    const double missing = host().missing_value('.');
    std::vector<table_row> rows{{"Intercept", "", "", "", estimate_text(fit.intercept), estimate_text(fit.intercept_se),
                                 "Intercept", missing, missing, fit.intercept, fit.intercept_se}};
    std::vector<std::vector<design_column>> columns_of(static_cast<std::size_t>(options.p));
    for_each_design_column(options, data, [&](const design_column &c) { columns_of[c.predictor].push_back(c); });
    for (int32_t i = 0; i < options.p; ++i) {
        const std::string name = trimmed_text(options.predictors[i].var.name.text);
        const std::vector<design_column> &columns = columns_of[i];
        if (!options.predictors[i].is_class) {
            const int32_t k = columns.front().index;
            if (is_zero(fit.betas[k])) removed.push_back(name);
            else rows.push_back({name, "", "", "", estimate_text(fit.betas[k]), estimate_text(fit.std_errs[k]), name,
                                 missing, missing, fit.betas[k], fit.std_errs[k]});
            continue;
        }
        const bool all_zero = std::all_of(columns.begin(), columns.end(),
                                          [&](const design_column &c) { return is_zero(fit.betas[c.index]); });
        if (all_zero) {
            // A CLASS predictor with a single level has no coefficient to remove.
            if (!columns.empty()) removed.push_back(name);
            continue;
        }
        // Every nonzero level gets a row, and the reference, which has no column (its estimate 0,
        // its standard error missing); a zero level is left out like a zero numeric predictor and
        // named as removed. The first row shown carries the predictor's name.
        const class_coding &coding = data.classes[i];
        auto column = columns.begin();
        bool named = false;
        for (int32_t level = 0; level < coding.count; ++level) {
            table_row row{named ? "" : name, trimmed_text(coding.texts[level].text),
                          std::to_string(coding.freqs[level]), weight_text(coding, level), "", "", name,
                          static_cast<double>(coding.freqs[level]),
                          coding.weight_sums ? coding.weight_sums[level] : missing, 0.0, missing};
            if (column == columns.end() || column->level != level) {
                row.beta = "(Reference)";
            } else {
                const int32_t k = column->index;
                ++column;
                if (is_zero(fit.betas[k])) {
                    removed.push_back(name + "=" + row.level);
                    continue;
                }
                row.beta = estimate_text(fit.betas[k]);
                row.std_err = estimate_text(fit.std_errs[k]);
                row.beta_value = fit.betas[k];
                row.std_err_value = fit.std_errs[k];
            }
            named = true;
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

std::size_t display_width(const std::string &text) {
    // Every byte but a UTF-8 continuation byte starts a character.
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void list_line(const std::string &text) {
    if (!text.empty()) host().list_text("%s", text.c_str());
    host().list_end_line();
}

void print_estimates(const proc_options &options, const proc_data &data, const proc_fit &fit) {
    std::vector<std::string> removed;
    print_rows(estimate_rows(options, data, fit, removed), options.class_count > 0, options.weighted);
    list_line("");
    print_removed(removed);
}

} // namespace quill::proc
