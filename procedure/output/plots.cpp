// PLOTS=: the coefficient path and the selection criterion against lambda, as SVG files in the
// folder the host names for graphics, called after the procedure step (quillfit1_path.svg), so
// that two steps never overwrite each other's plots. The log names every file written.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host_link.h"
#include "proc_run.h"
#include "output/svg_plot.h"

namespace quill::proc {
namespace {

std::string name_of(const name33 &name) { return trimmed(name.text).text; }

std::string model_subject(const proc_run &run) {
    return dataset_name(run.input, QH_DSNAME_DISPLAY) + ", response " + name_of(run.response_name);
}

// The standard deviation of design column k over the used observations: a coefficient times it
// is the change in the linear predictor per standard deviation, comparable across columns.
double column_sd(const proc_run &run, int32_t k) {
    const double *x = run.design + static_cast<std::size_t>(k) * static_cast<std::size_t>(run.n);
    double mean = 0.0;
    for (int32_t i = 0; i < run.n; ++i) mean += x[i];
    mean /= run.n;
    double squares = 0.0;
    for (int32_t i = 0; i < run.n; ++i) squares += (x[i] - mean) * (x[i] - mean);
    return run.n > 1 ? std::sqrt(squares / (run.n - 1)) : 0.0;
}

// One label per design column: the predictor, or predictor=level for a CLASS indicator.
std::vector<std::string> column_labels(const proc_run &run) {
    std::vector<std::string> labels;
    for (int32_t i = 0; i < run.p; ++i) {
        if (!run.is_class[i]) {
            labels.push_back(name_of(run.predictor_names[i]));
            continue;
        }
        for (int32_t level = 0; level < run.class_levels[i]; ++level)
            if (level != run.reference_level[i])
                labels.push_back(name_of(run.predictor_names[i]) + "=" + name_of(run.level_texts[i][level]));
    }
    return labels;
}

lambda_plot path_plot(const proc_run &run) {
    lambda_plot plot;
    plot.title = "Coefficient path: " + model_subject(run);
    plot.value_label = "coefficient \u00d7 standard deviation of its column";
    plot.marked_lambda = run.selected_lambda;
    plot.marked_label = "selected lambda";
    const std::vector<std::string> labels = column_labels(run);
    const std::size_t rows = static_cast<std::size_t>(run.grid_size);
    for (int32_t k = 0; k < run.total_cols; ++k) {
        plot_line line{labels[k], {}, {}};
        const double sd = column_sd(run, k);
        for (std::size_t g = 0; g < rows; ++g) {
            const double value = run.coef_path[g + static_cast<std::size_t>(k) * rows] * sd;
            if (run.grid.lambda[g] > 0.0 && std::isfinite(value)) {
                line.lambda.push_back(run.grid.lambda[g]);
                line.value.push_back(value);
            }
        }
        plot.lines.push_back(std::move(line));
    }
    return plot;
}

lambda_plot criterion_plot(const proc_run &run) {
    const bool bic = run.selection == selection_bic;
    const double *values = bic ? run.grid.bic : run.grid.gcv;
    lambda_plot plot;
    plot.title = std::string(bic ? "BIC" : "GCV") + " by lambda: " + model_subject(run);
    plot.value_label = bic ? "BIC" : "GCV";
    plot.marked_lambda = run.selected_lambda;
    plot.marked_label = "selected lambda";
    plot.mark_point = std::isfinite(run.criterion_value);
    plot.marked_value = run.criterion_value;
    plot_line line{plot.value_label, {}, {}};
    for (int32_t g = 0; g < run.grid_size; ++g)
        if (run.grid.fitted[g] != 0 && run.grid.lambda[g] > 0.0 && std::isfinite(values[g])) {
            line.lambda.push_back(run.grid.lambda[g]);
            line.value.push_back(values[g]);
        }
    plot.lines.push_back(std::move(line));
    return plot;
}

// Writes one plot file and names it in the log; a file that cannot be written is a warning,
// since the fit and its data sets are complete.
void write_plot(const lambda_plot &plot, const std::string &file, const char *what) {
    std::FILE *out = std::fopen(file.c_str(), "w");
    if (out == nullptr) {
        host().log("%2zThe %s plot cannot be written to %s: %s.", what, file.c_str(), std::strerror(errno));
        return;
    }
    std::string why;
    if (!write_svg_plot(plot, out, why)) {
        std::remove(file.c_str());
        host().log("%2zThe %s plot is not drawn: %s.", what, why.c_str());
        return;
    }
    host().log("%3zThe %s plot is in the file %s.", what, file.c_str());
}

} // namespace

void draw_plots(const proc_run &run) {
    if (!run.plot_path && !run.plot_criterion) return;
    if (host().graphics_folder == nullptr || !svg_plots_available()) {
        host().log("%2zPlots are not drawn: this installation cannot write SVG files.");
        return;
    }
    int32_t step = 0;
    char folder[4096];
    const int32_t length = host().graphics_folder(folder, sizeof folder, &step);
    check_host(length >= 0 && length < static_cast<int32_t>(sizeof folder), "name the folder for graphics files");
    const std::string stem = std::string(folder) + "/quillfit" + std::to_string(step);
    if (run.plot_path) write_plot(path_plot(run), stem + "_path.svg", "coefficient path");
    if (run.plot_criterion) write_plot(criterion_plot(run), stem + "_criterion.svg", "criterion");
}

} // namespace quill::proc
