// OUTPATH and PLOTS from the engine's per-grid table: one observation per grid value, the
// selected row equal to OUTBETAS, missing statistics where the engine stopped early or has
// none, and the two SVG files named in the log.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "test_support.h"

namespace quill::proc::testing {
namespace {

void normal_model(fake_host &h) {
    h.set_data({num("y", {1, 2, 3, 5}), num("a", {1, 0, 1, 2}), num("b", {3, 1, 2, 2})});
    h.model("y", {"a", "b"});
    h.set_number(slot_gridsize, 6);
    h.request_output(slot_outbetas, "betas");
    h.request_output(slot_outpath, "path");
}

TEST(Outpath, OneRowPerGridValueSelectedRowEqualsOutbetas) {
    reset_engine();
    fake_host h;
    normal_model(h);
    h.set_text(slot_df, "PROJECTION");
    engine().best_index = 3;
    engine().fitted_rows = 4;
    engine().betas = {0.5, 0.0}; // what runscad reports; the path holds 0.25 everywhere
    engine().intercept = 1.5;
    ASSERT_EQ(h.run(), 0);
    EXPECT_TRUE(engine().table_asked);
    const written_dataset &path = h.outputs.at("path");
    EXPECT_EQ(path.names, (std::vector<std::string>{"LAMBDA", "BIC", "AIC", "GCV", "SIMPLE_DF", "EFFECTIVE_DF",
                                                    "NUM_ITER", "CONVERGED", "SELECTED", "INTERCEPT", "BETA_A",
                                                    "BETA_B"}));
    ASSERT_EQ(path.rows.size(), 6u);
    const std::vector<double> &betas = h.outputs.at("betas").rows.at(0);
    for (std::size_t g = 0; g < 6; ++g) {
        const std::vector<double> &row = path.rows[g];
        EXPECT_EQ(row[8], g == 2 ? 1.0 : 0.0) << g;
        if (g == 2) {
            EXPECT_EQ(std::vector<double>(row.begin() + 9, row.end()), betas);
        }
        if (g < 4) {
            EXPECT_EQ(row[5], 3.25) << "the real effective df";
            EXPECT_EQ(row[7], 1.0);
            EXPECT_FALSE(std::isnan(row[3])) << "GCV of the normal model";
            if (g != 2) {
                EXPECT_EQ(row[10], 0.25);
            }
            continue;
        }
        // Not fitted: zero coefficients, every statistic missing.
        for (int stat : {1, 2, 3, 4, 5, 6, 7, 9}) EXPECT_TRUE(std::isnan(row[stat])) << g << " " << stat;
        EXPECT_EQ(row[10], 0.0);
        EXPECT_EQ(row[11], 0.0);
    }
    EXPECT_DOUBLE_EQ(path.rows[5][0], 2.0); // the last grid value

    // Without OUTPATH or PLOTS the table is still asked for: the selected fit's real effective
    // df and the lambdas tied with it come from it.
    reset_engine();
    fake_host plain;
    plain.set_data({num("y", {1, 2, 3}), num("a", {1, 0, 1})});
    plain.model("y", {"a"});
    ASSERT_EQ(plain.run(), 0);
    EXPECT_TRUE(engine().table_asked);
}

TEST(Plots, AllWritesThePathAndCriterionFilesAndNamesThem) {
    reset_engine();
    fake_host h;
    normal_model(h);
    // Per process, so a sanitizer run beside this one never shares the folder.
    h.graphics_folder = (std::filesystem::path(::testing::TempDir()) /
                         ("quill_plots-" + std::to_string(::getpid()))).string();
    std::filesystem::remove_all(h.graphics_folder);
    std::filesystem::create_directories(h.graphics_folder);
    h.set_flag(h.proc(), flag_plot_path);
    h.set_flag(h.proc(), flag_plot_criterion);
    h.set_vars(h.proc(), slot_forcein, {"b"});
    engine().unconverged = {3};
    ASSERT_EQ(h.run(), 0);
    // The texts as the SVG holds them: one character reference each.
    const auto svg_text = [](const std::string &text) {
        std::string out;
        for (unsigned char c : text) out += "&#x" + (std::stringstream() << std::hex << int(c)).str() + ";";
        return out;
    };
    for (const char *name : {"quillfit1_path.svg", "quillfit1_criterion.svg"}) {
        const std::string file = h.graphics_folder + "/" + name;
        EXPECT_TRUE(h.log_has("is in the file " + file + ".")) << name;
        std::ifstream in(file);
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_EQ(text.str().rfind("<?xml", 0), 0u) << name;
        EXPECT_NE(text.str().find("</svg>"), std::string::npos) << name;
        // Both plots count the nonzero coefficients along the top and cross the grid value
        // whose fit did not converge; the path names the forced-in column.
        EXPECT_NE(text.str().find(svg_text("number of nonzero coefficients")), std::string::npos) << name;
        EXPECT_NE(text.str().find(svg_text("not converged")), std::string::npos) << name;
        EXPECT_EQ(text.str().find(svg_text("b (forced in)")) != std::string::npos,
                  std::string(name) == "quillfit1_path.svg") << name;
    }
    std::filesystem::remove_all(h.graphics_folder);
}

TEST(Plots, APlotTheHostCannotCompleteIsAWarningAndOneWithNothingToDrawOpensNoFile) {
    const std::string folder = ::testing::TempDir() + "quill_plot_failures-" + std::to_string(::getpid());
    std::filesystem::create_directories(folder);
    for (const char *failing : {"open_graphics_file", "close_graphics_file"}) {
        reset_engine();
        fake_host h;
        normal_model(h);
        h.graphics_folder = folder;
        h.set_flag(h.proc(), flag_plot_path);
        h.failing_operation = failing;
        ASSERT_EQ(h.run(), 0) << failing;
        EXPECT_TRUE(h.log_has("WARNING: The coefficient path plot cannot be written to " + h.graphics_folder +
                              "/quillfit1_path.svg: No space left on device.")) << failing;
        EXPECT_FALSE(h.log_has("is in the file")) << failing;
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    std::filesystem::remove_all(folder);
    reset_engine();
    fake_host h;
    normal_model(h);
    h.set_number(slot_gridsize, 1);
    h.set_flag(h.proc(), flag_plot_path);
    ASSERT_EQ(h.run(), 0);
    EXPECT_TRUE(h.log_has("WARNING: The coefficient path plot is not drawn: "));
    EXPECT_EQ(h.graphics_files_opened, 0);
}

} // namespace
} // namespace quill::proc::testing
