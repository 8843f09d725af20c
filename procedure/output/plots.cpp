// PLOTS=: the coefficient path and the selection criterion against lambda, as SVG files in the
// folder the host names for graphics, called after the procedure step (quillfit1_path.svg), so
// that two steps never overwrite each other's plots. The log names every file written. Both
// plots count the nonzero coefficients along the top and cross the grid values whose fit did
// not converge; a forced-in column's line is long-dashed and named so.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data/design_columns.h"
#include "host_link.h"
#include "output/outputs.h"
#include "output/svg_plot.h"
#include "output/penalty_text.h"
#include "proc_run.h"

namespace quill::proc {
namespace {

std::string name_of(const name33 &name) { return trimmed(name.text).text; }

// A plot's title: what it shows, the penalty, then the data set and response, and under BY the
// group's BY line.
std::string plot_title(const std::string &what, const proc_options &options, const char *by_line) {
    std::string subject = dataset_name(options.input, QH_DSNAME_DISPLAY) + ", response " + name_of(options.response.name);
    if (by_line != nullptr) subject += std::string(", ") + by_line;
    return what + ", " + penalty_text(options) + ": " + subject;
}

// The standard deviation of design column k over the used observations: a coefficient times it
// is the change in the linear predictor per standard deviation, comparable across columns.
double column_sd(const proc_design &design, int32_t k) {
    const int32_t n = design.rows;
    const double *x = design.x + static_cast<std::size_t>(k) * static_cast<std::size_t>(n);
    double mean = 0.0;
    for (int32_t i = 0; i < n; ++i) mean += x[i];
    mean /= n;
    double squares = 0.0;
    for (int32_t i = 0; i < n; ++i) squares += (x[i] - mean) * (x[i] - mean);
    return n > 1 ? std::sqrt(squares / (n - 1)) : 0.0;
}

// One label per design column: the predictor, or predictor=level for a CLASS indicator.
std::vector<std::string> column_labels(const proc_options &options, const proc_data &data) {
    std::vector<std::string> labels;
    for_each_design_column(options, data, [&](const design_column &c) {
        const std::string name = name_of(options.predictors[c.predictor].var.name);
        labels.push_back(c.indicator() ? name + "=" + name_of(data.classes[c.predictor].texts[c.level]) : name);
    });
    return labels;
}

bool drawn_at(const fit_path &path, int32_t g) { return path.lambda[g] > 0.0; }
bool unconverged_at(const fit_path &path, int32_t g) { return path.fitted[g] != 0 && path.converged[g] == 0; }

// The top axis of both plots: the number of nonzero design columns at each fitted grid value.
void add_counts(const proc_options &options, const proc_design &design, const proc_fit &fit, lambda_plot &plot) {
    const std::size_t rows = static_cast<std::size_t>(options.grid_size);
    for (int32_t g = 0; g < fit.path.rows; ++g) {
        if (!drawn_at(fit.path, g) || fit.path.fitted[g] == 0) continue;
        int count = 0;
        for (int32_t k = 0; k < design.columns; ++k)
            count += fit.coef_path[static_cast<std::size_t>(g) + static_cast<std::size_t>(k) * rows] != 0.0 ? 1 : 0;
        plot.count_lambda.push_back(fit.path.lambda[g]);
        plot.count.push_back(count);
    }
}

lambda_plot path_plot(const proc_options &options, const proc_data &data, const proc_design &design,
                      const proc_fit &fit, const char *by_line) {
    lambda_plot plot;
    plot.title = plot_title("Coefficient path", options, by_line);
    plot.value_label = "coefficient \u00d7 standard deviation of its column";
    plot.marked_lambda = fit.selected_lambda;
    plot.marked_label = "selected lambda";
    const std::vector<std::string> labels = column_labels(options, data);
    const std::size_t rows = static_cast<std::size_t>(options.grid_size); // of the coefficient path
    for (int32_t k = 0; k < design.columns; ++k) {
        plot_line line{labels[k], {}, {}, {}, design.forcein[k] != 0};
        const double sd = column_sd(design, k);
        for (int32_t g = 0; g < fit.path.rows; ++g) {
            const double value = fit.coef_path[static_cast<std::size_t>(g) + static_cast<std::size_t>(k) * rows] * sd;
            if (drawn_at(fit.path, g) && std::isfinite(value)) {
                line.lambda.push_back(fit.path.lambda[g]);
                line.value.push_back(value);
            }
        }
        plot.lines.push_back(std::move(line));
    }
    // A cross on every line would hide the lines: the grid values are crossed along the bottom.
    for (int32_t g = 0; g < fit.path.rows; ++g)
        if (drawn_at(fit.path, g) && unconverged_at(fit.path, g)) plot.unconverged_lambda.push_back(fit.path.lambda[g]);
    add_counts(options, design, fit, plot);
    return plot;
}

// The grid value (0-based) each CV rule picks, as the engine marked it in the table; -1 when
// it marked none.
struct cv_picks {
    int32_t min = -1, one_se = -1;
};

cv_picks read_cv_picks(const fit_path &path) {
    cv_picks picks;
    for (int32_t g = 0; g < path.rows; ++g) {
        if (path.cv_min[g] != 0) picks.min = g;
        if (path.cv_1se[g] != 0) picks.one_se = g;
    }
    return picks;
}

// Under SELECTION CV: the CV error at every grid value with one-standard-error bars, the selected
// lambda marked and the other rule's lambda dotted.
lambda_plot cv_plot(const proc_options &options, const proc_design &design, const proc_fit &fit,
                    const char *by_line) {
    const fit_path &path = fit.path;
    lambda_plot plot;
    plot.title = plot_title("CV error by lambda", options, by_line);
    plot.value_label = "CV error (mean held-out deviance)";
    plot.marked_lambda = fit.selected_lambda;
    plot.marked_label = options.cv_one_se ? "selected lambda (1SE)" : "selected lambda (MIN)";
    plot.mark_point = std::isfinite(fit.criterion_value);
    plot.marked_value = fit.criterion_value;
    plot.bar_label = "± one standard error";
    const cv_picks picks = read_cv_picks(path);
    // At most about kBars bars, so that they stay apart; the rules' picks always have theirs.
    constexpr int32_t kBars = 40;
    const int32_t stride = std::max(1, (path.rows + kBars - 1) / kBars);
    plot_line line{"CV error", {}, {}, {}, false};
    for (int32_t g = 0; g < path.rows; ++g) {
        if (!drawn_at(path, g) || !std::isfinite(path.cv_error[g])) continue;
        line.lambda.push_back(path.lambda[g]);
        line.value.push_back(path.cv_error[g]);
        const bool picked = g == picks.min || g == picks.one_se;
        if (!std::isfinite(path.cv_se[g]) || (g % stride != 0 && !picked)) continue;
        plot.bar_lambda.push_back(path.lambda[g]);
        plot.bar_low.push_back(path.cv_error[g] - path.cv_se[g]);
        plot.bar_high.push_back(path.cv_error[g] + path.cv_se[g]);
    }
    plot.lines.push_back(std::move(line));
    const int32_t other = options.cv_one_se ? picks.min : picks.one_se;
    if (other >= 0 && drawn_at(path, other)) {
        plot.second_marked_lambda = path.lambda[other];
        plot.second_marked_label = options.cv_one_se ? "MIN lambda (least CV error)"
                                                     : "1SE lambda (within one standard error)";
    }
    add_counts(options, design, fit, plot);
    return plot;
}

lambda_plot criterion_plot(const proc_options &options, const proc_design &design, const proc_fit &fit,
                           const char *by_line) {
    if (options.selection == selection_cv) return cv_plot(options, design, fit, by_line);
    const char *name = options.selection == selection_bic   ? "BIC"
                       : options.selection == selection_gcv ? "GCV"
                                                            : "EBIC";
    const double *values = options.selection == selection_bic   ? fit.path.bic
                           : options.selection == selection_gcv ? fit.path.gcv
                                                                : fit.path.ebic;
    lambda_plot plot;
    plot.title = plot_title(std::string(name) + " by lambda", options, by_line);
    plot.value_label = name;
    plot.marked_lambda = fit.selected_lambda;
    plot.marked_label = "selected lambda";
    plot.mark_point = std::isfinite(fit.criterion_value);
    plot.marked_value = fit.criterion_value;
    plot_line line{plot.value_label, {}, {}, {}, false};
    for (int32_t g = 0; g < fit.path.rows; ++g)
        if (fit.path.fitted[g] != 0 && drawn_at(fit.path, g) && std::isfinite(values[g])) {
            line.lambda.push_back(fit.path.lambda[g]);
            line.value.push_back(values[g]);
            line.unconverged.push_back(unconverged_at(fit.path, g));
        }
    plot.lines.push_back(std::move(line));
    add_counts(options, design, fit, plot);
    return plot;
}

// Writes one plot file through the host and names it in the log; a plot that cannot be written
// is a warning, since the fit and its data sets are complete. A plot with nothing to draw touches
// no file.
void write_plot(const lambda_plot &plot, const std::string &folder, const std::string &name, const char *what) {
    const std::string file = folder + "/" + name;
    std::string why;
    if (!plot_has_span(plot, why)) {
        host().log("%2zThe %s plot is not drawn: %s.", what, why.c_str());
        return;
    }
    char reason[512] = "";
    std::FILE *out = nullptr;
    qh_graphics_file *handle = host().open_graphics_file(name.c_str(), &out, reason, sizeof reason);
    if (handle == nullptr || out == nullptr) {
        host().log("%2zThe %s plot cannot be written to %s: %s.", what, file.c_str(), reason);
        return;
    }
    const bool drawn = write_svg_plot(plot, out, why);
    if (host().close_graphics_file(handle, drawn ? 1 : 0, reason, sizeof reason) != 0) {
        host().log("%2zThe %s plot cannot be written to %s: %s.", what, file.c_str(), reason);
        return;
    }
    if (!drawn) {
        host().log("%2zThe %s plot is not drawn: %s.", what, why.c_str());
        return;
    }
    host().log("%3zThe %s plot is in the file %s.", what, file.c_str());
}

} // namespace

void draw_plots(const proc_options &options, const proc_data &data, const proc_design &design,
                const proc_fit &fit, int32_t group, const char *by_line) {
    if (!options.plot_path && !options.plot_criterion) return;
    if (host().graphics_folder == nullptr || host().open_graphics_file == nullptr ||
        host().close_graphics_file == nullptr || !svg_plots_available()) {
        host().log("%2zPlots are not drawn: this installation cannot write SVG files.");
        return;
    }
    int32_t step = 0;
    char folder[4096];
    const int32_t length = host().graphics_folder(folder, sizeof folder, &step);
    check_host(length >= 0 && length < static_cast<int32_t>(sizeof folder), "name the folder for graphics files");
    // Under BY each group has files of its own: quillfit1_by2_path.svg for the second group.
    const std::string stem = "quillfit" + std::to_string(step) + (group > 0 ? "_by" + std::to_string(group) : "");
    if (options.plot_path)
        write_plot(path_plot(options, data, design, fit, by_line), folder, stem + "_path.svg", "coefficient path");
    if (options.plot_criterion)
        write_plot(criterion_plot(options, design, fit, by_line), folder, stem + "_criterion.svg", "criterion");
}

} // namespace quill::proc
