// Every storage a data set can have, written and read back: WORK's own format (.qds), CSV, V9
// (.sas7bdat) and XPORT in versions 5 and 8. The values written are the expected values (chosen
// by hand here: the longest texts, multi-byte text at a limit, labels, formats, declared lengths,
// ±1e300, NUL bytes, 4095 and 4096 variables, trailing blank observations); what a format cannot
// keep is listed with it, and what it cannot hold is refused before an earlier file is touched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "base/utf8_text.h"
#include "data/csv/csv_store.h"
#include "data/output_dataset.h"
#include "data/qds/qds_store.h"
#include "data/sas/sas_store.h"
#include "host_test_support.h"

namespace quill::host {
namespace {

using testing::read_file;
using testing::ScratchFolder;
using testing::write_file;

struct Storage {
    const char *name;
    const Format *format;
    size_t longest;     // bytes of the longest text it holds
    bool lengths;       // keeps declared lengths (else a text is as long as its longest value)
    bool attributes;    // keeps labels and formats
    bool own;           // keeps informats and the sort order
    bool nul_and_range; // holds NUL bytes in texts and numbers of any size
};

std::vector<Storage> storages()
{
    return {{"WORK", &qds_format(), 32767, true, true, true, true},
            {"CSV", &csv_format(), 32767, false, false, false, true},
            {"V9", &sas7bdat_format(), 32767, true, true, false, false},
            {"XPORT v8", &xport_format(), 32767, true, true, false, false},
            {"XPORT v5", &xport_format(), 200, true, true, false, false}};
}

Column numeric(const std::string &name, std::vector<double> values)
{
    Column col;
    col.name = name;
    col.numbers = std::move(values);
    return col;
}

Column text(const std::string &name, size_t length, std::vector<std::string> values)
{
    Column col;
    col.name = name;
    col.type = VarType::Character;
    col.length = length;
    col.texts = std::move(values);
    return col;
}

// Writes through the format's sink, as a step does; false with `error`.
bool write(const Format &format, const std::filesystem::path &file, const std::string &member, const Table &table,
           std::string &error, std::vector<std::string> *warnings = nullptr,
           const std::vector<std::string> &sorted_by = {}, const std::string &label = {})
{
    const auto sink = format.create(file, member);
    sink->set_sorted_by(sorted_by);
    sink->set_label(label);
    if (!sink->define(std::vector<Variable>(table.columns.begin(), table.columns.end()), error))
        return false;
    Row row;
    row.resize(table.columns.size());
    for (size_t r = 0; r < table.rows; ++r) {
        for (size_t c = 0; c < table.columns.size(); ++c) {
            const Column &col = table.columns[c];
            if (col.type == VarType::Numeric)
                row.numbers[c] = col.numbers[r];
            else
                row.texts[c] = col.texts[r];
        }
        if (!sink->write_row(row, error))
            return false;
    }
    if (!sink->commit(error))
        return false;
    if (warnings)
        *warnings = sink->warnings();
    return true;
}

Table read(const Format &format, const std::filesystem::path &file, Description &description)
{
    ReadMessages messages;
    std::string error;
    const auto source = format.open(file, messages, error);
    Table table;
    EXPECT_TRUE(source) << error;
    if (source) {
        description = source->describe();
        EXPECT_TRUE(read_table(*source, {}, table, error)) << error;
    }
    return table;
}

bool same(double a, double b) { return is_missing(a) ? is_missing(b) : a == b; }

// Five observations of what a statistician's data set holds, as far as `storage` can hold it.
Table sample(const Storage &storage)
{
    Table t;
    t.rows = 5;
    const double big = storage.nul_and_range ? 1e300 : 1e74;
    Column id = numeric("id", {1, 2, 3, 4, 5});
    id.label = "Subject identifier";
    id.format = "BEST12.";
    id.informat = storage.own ? "BEST12." : "";
    Column score = numeric("score", {1.5, missing_value(), 0.1, big, -big});
    score.format = "8.2";
    // Declared longer than its values; a label of 45 characters where the format holds one.
    Column term = text("term", 80,
                       {"This term is fifty characters long, counting all.", "", "\xC3\xA9t\xC3\xA9",
                        "Checked by the investigator on day one", "x"});
    term.label = storage.longest > 200 ? "A label of forty-five characters, kept whole." : "A label of forty characters, as v5 keeps";
    // The longest text, one ending in a two-byte character at the very limit.
    const size_t n = storage.longest;
    Column longest = text("long", n, {std::string(n, 'z'), "", std::string(n - 2, 'y') + "\xC3\xA9", "a", "b"});
    Column utf = text("utf", 9, {"\xE6\x88\x91\xE6\x84\x9B\xE4\xBD\xA0", "", "\xC3\xA9", "caf\xC3\xA9", "\xF0\x9F\x98\x80"});
    t.columns = {id, score, term, longest, utf};
    if (storage.nul_and_range)
        t.columns.push_back(text("nul", 5, {std::string("a\0b", 3), "", std::string(1, '\0'), "c", "d"}));
    return t;
}

TEST(StorageRoundTrip, EveryStorageKeepsTextsNumbersAndWhatItCanOfTheDescription)
{
    ScratchFolder folder;
    for (const Storage &storage : storages()) {
        SCOPED_TRACE(storage.name);
        const Table original = sample(storage);
        const auto file = folder / ("d" + std::string(storage.format->extension));
        std::string error;
        ASSERT_TRUE(write(*storage.format, file, "D", original, error, nullptr, {"id"}, "Visits of the first year")) << error;
        Description description;
        const Table back = read(*storage.format, file, description);
        ASSERT_EQ(back.rows, original.rows);
        ASSERT_EQ(back.columns.size(), original.columns.size());
        for (size_t c = 0; c < original.columns.size(); ++c) {
            const Column &a = original.columns[c], &b = back.columns[c];
            SCOPED_TRACE(a.name);
            EXPECT_EQ(b.name, a.name);
            EXPECT_EQ(b.type, a.type);
            size_t longest = 1;
            for (const std::string &value : a.texts)
                longest = std::max(longest, value.size());
            EXPECT_EQ(b.length, a.type == VarType::Numeric ? 8 : storage.lengths ? a.length : longest);
            EXPECT_EQ(b.label, storage.attributes ? a.label : "");
            EXPECT_EQ(b.format, storage.attributes ? a.format : "");
            EXPECT_EQ(b.informat, storage.own ? a.informat : "");
            for (size_t r = 0; r < original.rows; ++r) {
                if (a.type == VarType::Numeric) {
                    EXPECT_TRUE(same(a.numbers[r], b.numbers[r])) << "row " << r << ": " << b.numbers[r];
                } else {
                    EXPECT_EQ(a.texts[r], b.texts[r]) << "row " << r;
                }
            }
        }
        EXPECT_EQ(description.sorted_by, storage.own ? std::vector<std::string>{"id"} : std::vector<std::string>{});
        EXPECT_EQ(description.label, storage.format == &csv_format() ? "" : "Visits of the first year");
        const std::string bytes = read_file(file);
        if (storage.format == &csv_format()) {
            EXPECT_TRUE(is_valid_utf8(bytes));
        }
        if (storage.format == &xport_format()) { // version 8 only when version 5 cannot hold it
            EXPECT_EQ(bytes.substr(0, 28), std::string("HEADER RECORD*******") + (storage.longest > 200 ? "LIBV8   " : "LIBRARY "));
        }
    }
    // Nothing but the four files (both transport files are d.xpt): no temporary left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 4);
}

// Wide data sets: 4096 variables in every format but .sas7bdat, whose writer keeps the count in
// 16 bits; it holds 4095 and refuses 4096 at once.
TEST(StorageRoundTrip, WideDataSetsReadBackOrAreRefusedAtOnce)
{
    ScratchFolder folder;
    for (const size_t width : {size_t{4095}, size_t{4096}}) {
        Table wide;
        wide.rows = 2;
        for (size_t c = 0; c < width; ++c)
            wide.columns.push_back(numeric("x" + std::to_string(c + 1), {static_cast<double>(c), -0.5}));
        for (const Format *format : {&qds_format(), &csv_format(), &sas7bdat_format(), &xport_format()}) {
            SCOPED_TRACE(std::string(format->name) + " " + std::to_string(width));
            const auto file = folder / ("wide" + std::string(format->extension));
            std::string error;
            if (format == &sas7bdat_format() && width == 4096) {
                write_file(file, "earlier");
                EXPECT_FALSE(write(*format, file, "WIDE", wide, error));
                EXPECT_EQ(error, "The data set file " + file.string() +
                                     " cannot be written: it has 4096 variables, and a .sas7bdat file written here holds "
                                     "at most 4095 (more would not read back); a transport file (XPORT) holds more.");
                EXPECT_EQ(read_file(file), "earlier");
                continue;
            }
            ASSERT_TRUE(write(*format, file, "WIDE", wide, error)) << error;
            Description description;
            const Table back = read(*format, file, description);
            ASSERT_EQ(back.columns.size(), width);
            EXPECT_EQ(back.columns[width - 1].name, "x" + std::to_string(width));
            EXPECT_EQ(back.columns[width - 1].numbers, (std::vector<double>{static_cast<double>(width - 1), -0.5}));
        }
    }
}

// A SAS file ends a text at a NUL byte, and a transport file's numbers reach about 9E74: such a
// value fails the write, naming it, and the earlier file stays. A number too close to zero for a
// transport file is written as 0, with a warning.
TEST(StorageRoundTrip, WhatASasFileCannotHoldIsRefusedBeforeAnythingIsReplaced)
{
    ScratchFolder folder;
    Table nul;
    nul.rows = 1;
    nul.columns = {text("s", 3, {std::string("a\0b", 3)})};
    Table huge;
    huge.rows = 2;
    huge.columns = {numeric("v", {1, -1e300})};
    struct Case {
        const Format *format;
        const Table *table;
        std::string why;
    };
    // The log shows the NUL as \x00.
    const std::string nul_why = "the value " + std::string("\"a\0b\"", 5) +
                                " of variable s holds a NUL character, where a SAS file ends a text";
    for (const Case &c : {Case{&sas7bdat_format(), &nul, nul_why}, Case{&xport_format(), &nul, nul_why},
                          Case{&xport_format(), &huge,
                               "the value -1e+300 of variable v is beyond the range of a transport file (about 9E74 "
                               "either side of 0)"}}) {
        SCOPED_TRACE(c.why);
        const auto file = folder / ("refused" + std::string(c.format->extension));
        write_file(file, "earlier");
        std::string error;
        EXPECT_FALSE(write(*c.format, file, "R", *c.table, error));
        EXPECT_EQ(error, "The data set file " + file.string() + " cannot be written: " + c.why + ".");
        EXPECT_EQ(read_file(file), "earlier");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);

    Table tiny;
    tiny.rows = 2;
    tiny.columns = {numeric("v", {1e-300, 8.5e-79})}; // below 2^-260 (about 5.4E-79), then above
    const auto file = folder / "tiny.xpt";
    std::string error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(write(xport_format(), file, "TINY", tiny, error, &warnings)) << error;
    EXPECT_EQ(warnings, std::vector<std::string>{"Values of v too close to zero for a transport file, such as 1e-300, "
                                                 "are written as 0 in " + file.string() + "."});
    Description description;
    EXPECT_EQ(read(xport_format(), file, description).columns[0].numbers, (std::vector<double>{0, 8.5e-79}));
}

// Observations blank in every variable at the end of an all-character data set: a version 5
// transport file cannot tell them from its padding (a warning names the data set), every other
// storage keeps them, version 8 through the count SAS writes in its OBSV8 record.
TEST(StorageRoundTrip, TrailingBlankObservationsAreKeptOrNamedInAWarning)
{
    ScratchFolder folder;
    for (const bool long_name : {false, true}) {
        Table blanks;
        blanks.rows = 5;
        blanks.columns = {text(long_name ? "a_long_name" : "a", 4, {"x", "", "", "", ""}),
                          text("b", 4, {"y", "z", "", "", ""})};
        for (const Format *format : {&qds_format(), &csv_format(), &sas7bdat_format(), &xport_format()}) {
            if (long_name && format != &xport_format())
                continue;
            SCOPED_TRACE(std::string(format->name) + (long_name ? " v8" : ""));
            const auto file = folder / ("blanks" + std::string(format->extension));
            std::string error;
            std::vector<std::string> warnings;
            ASSERT_TRUE(write(*format, file, "BLANKS", blanks, error, &warnings)) << error;
            Description description;
            const Table back = read(*format, file, description);
            const bool v5 = format == &xport_format() && !long_name;
            EXPECT_EQ(back.rows, v5 ? 2u : 5u);
            if (back.rows == 5) {
                EXPECT_EQ(back.columns[1].texts, blanks.columns[1].texts);
            }
            EXPECT_EQ(warnings, v5 ? std::vector<std::string>{"The last 3 observations of data set BLANKS are blank "
                                                              "in every variable, and a version 5 transport file "
                                                              "cannot tell them from its padding: they are not read back from " +
                                                              file.string() + "."}
                                   : std::vector<std::string>{});
            if (format == &xport_format() && long_name) { // the record as SAS writes it: the count right-aligned in 15 bytes
                EXPECT_NE(read_file(file).find("HEADER RECORD*******OBSV8   HEADER RECORD!!!!!!!              5" +
                                               std::string(17, ' ')),
                          std::string::npos);
            }
        }
    }
}

} // namespace
} // namespace quill::host

namespace quill::host {
namespace {

// The one commit path cuts a text longer than its variable (no writer of the host should hand it
// one) at a character boundary, with one warning per variable: 'abcdé' is 6 bytes, and 5 cut
// inside the é.
TEST(StorageRoundTrip, AValueLongerThanItsVariableIsCutAtACharacterWithAWarning)
{
    testing::MemorySession memory;
    DatasetName name;
    std::string error;
    ASSERT_TRUE(memory.session.library.name("WORK", "cut", name, error));
    OutputDataset output(memory.session.library, memory.session.log, name);
    ASSERT_TRUE(output.create({Variable{"s", VarType::Character, 5}}));
    Row row;
    row.resize(1);
    for (const char *value : {"abcd\xC3\xA9", "12345678"}) {
        row.texts[0] = value;
        ASSERT_TRUE(output.write(row));
    }
    ASSERT_TRUE(output.commit());
    EXPECT_TRUE(memory.log_has("WARNING: Values of s longer than its length 5 are cut to it in data set WORK.CUT."));
    EXPECT_EQ(std::count_if(memory.log().begin(), memory.log().end(),
                            [](const std::string &line) { return line.rfind("WARNING", 0) == 0; }),
              1);
    EXPECT_EQ(memory.work_table("cut").columns[0].texts, (std::vector<std::string>{"abcd", "12345"}));
}

} // namespace
} // namespace quill::host
