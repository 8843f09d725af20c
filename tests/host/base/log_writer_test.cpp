#include "base/log_writer.h"

#include <gtest/gtest.h>

#include "host_test_support.h"
#include "modules/module_loader.h"
#include "steps/program_runner.h"

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

// A terminal obeys control characters: the log and the listing show them as \xHH instead, all
// but tab and form feed, and the data set keeps its bytes.
TEST(LogWriter, ControlCharactersAreShownNotSent)
{
    testing::ScratchFolder folder;
    {
        LogWriter log(TextSink::to_file(folder / "f.log"));
        log.note(std::string("a\x1B]0;title\x07 b\tc\fd\r\ne\x7F\x01\x1F \xC3\xA9\0z", 28));
        log.plain("");
    }
    EXPECT_EQ(testing::read_file(folder / "f.log"),
              "NOTE: a\\x1B]0;title\\x07 b\tc\fd\\x0D\\x0Ae\\x7F\\x01\\x1F \xC3\xA9\\x00z\n\n");

    // From a data value, a header name and a name literal to the log and the listing.
    testing::MemorySession memory;
    testing::write_file(folder / "c.csv", "id,\"n\x1B[2J\"\n1,\x1B]0;x\x07\n");
    ModuleLoader modules({});
    ProgramRunner runner(memory.session, modules,
                         "proc print data='" + (folder / "c.csv").string() + "'; run;\n"
                         "data b; input 'q\x1B[2J'n; datalines;\n1\n;\n");
    runner.run();
    std::string all;
    for (const auto *lines : {&memory.log(), &memory.listing()})
        for (const std::string &line : *lines)
            all += line + "\n";
    for (char c : all)
        EXPECT_TRUE((static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) || c == '\t' || c == '\f' || c == '\n')
            << static_cast<int>(c) << " in\n" << all;
    for (const char *shown : {"\"n\\x1B[2J\" to n_[2J", "'q\\x1B[2J'n", "\\x1B]0;x\\x07"})
        EXPECT_NE(all.find(shown), std::string::npos) << shown << " in\n" << all;
    EXPECT_EQ(testing::read_file(folder / "c.csv"), "id,\"n\x1B[2J\"\n1,\x1B]0;x\x07\n");
}

// The log grows where it is named, line by line, so that a long step can be followed; it takes
// the earlier file's name, never its contents (a hard link to it keeps them). The listing still
// replaces its file at the end.
TEST(LogWriter, TheLogFileGrowsWhileTheListingWaitsForTheEnd)
{
    testing::ScratchFolder folder;
    testing::write_file(folder / "f.log", "the last run's log\n");
    testing::write_file(folder / "f.lst", "the last run's listing\n");
    std::filesystem::create_hard_link(folder / "f.log", folder / "kept.log");
    {
        LogWriter log(TextSink::to_growing_file(folder / "f.log"));
        Listing listing(TextSink::to_file(folder / "f.lst"));
        log.note("The fit is still running.");
        listing.line("a table");
        EXPECT_EQ(testing::read_file(folder / "f.log"), "NOTE: The fit is still running.\n");
        EXPECT_EQ(testing::read_file(folder / "f.lst"), "the last run's listing\n");
        log.plain("done");
    }
    EXPECT_EQ(testing::read_file(folder / "f.log"), "NOTE: The fit is still running.\ndone\n");
    EXPECT_EQ(testing::read_file(folder / "kept.log"), "the last run's log\n");
    EXPECT_EQ(testing::read_file(folder / "f.lst"), "a table\n");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(folder.path()))
        ++files;
    EXPECT_EQ(files, 3u); // no temporary left
}

} // namespace
} // namespace quill::host
