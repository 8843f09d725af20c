#include "log_writer.h"

#include <gtest/gtest.h>

namespace quill::host {
namespace {

std::string rendered(const char *line, int *errors = nullptr, int *warnings = nullptr)
{
    LogWriter log(TextSink::to_memory());
    const char *body = line;
    const LineClass kind = split_class_prefix(body);
    log.line(kind, body);
    if (errors)
        *errors = log.errors();
    if (warnings)
        *warnings = log.warnings();
    return log.sink().lines().at(0);
}

TEST(LogWriter, ClassPrefixesAreRendered)
{
    int errors = 0, warnings = 0;
    EXPECT_EQ(rendered("%1zMODEL statement must be specified.", &errors, &warnings),
              "ERROR: MODEL statement must be specified.");
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(rendered("%2z More than 20 levels.", &errors, &warnings), "WARNING: More than 20 levels.");
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(rendered("%3z Class predictor g had 3 levels."), "NOTE: Class predictor g had 3 levels.");
    EXPECT_EQ(rendered("%8h  Banner text"), "  Banner text");
    EXPECT_EQ(rendered("%9tTitle"), "Title");
    EXPECT_EQ(rendered("no prefix %1z"), "no prefix %1z");
    EXPECT_EQ(rendered("%4zunknown"), "%4zunknown");
}

TEST(LogWriter, AnErrorClassWarningIsAWarning)
{
    int errors = 0, warnings = 0;
    EXPECT_EQ(rendered("%1z Warning: The unshrink_se option is not recommended or implemented.", &errors, &warnings),
              "WARNING: The unshrink_se option is not recommended or implemented.");
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(rendered("%1zWarning: The maximum candidate lambda appears to be too low.", &errors),
              "WARNING: The maximum candidate lambda appears to be too low.");
    EXPECT_EQ(rendered("%1zwarning: lower case is an error", &errors), "ERROR: warning: lower case is an error");
    EXPECT_EQ(errors, 1);
}

TEST(LogWriter, FormatTextHandlesLongOutput)
{
    auto format = [](const char *f, ...) {
        va_list args;
        va_start(args, f);
        std::string s = format_text(f, args);
        va_end(args);
        return s;
    };
    EXPECT_EQ(format("%s=%5.2f", "x", 1.5), "x= 1.50");
    const std::string long_text(2000, 'q');
    EXPECT_EQ(format("%s!", long_text.c_str()), long_text + "!");
}

TEST(Listing, EachPageBeginsWithItsTitles)
{
    Listing listing(TextSink::to_memory());
    listing.begin_page({"First title", "", ""});
    listing.line("a");
    listing.begin_page({"T1", "T2"});
    listing.begin_page({});
    EXPECT_EQ(listing.sink().lines(),
              (std::vector<std::string>{"First title", "", "a", "\fT1", "T2", "", "\f", ""}));
}

} // namespace
} // namespace quill::host
