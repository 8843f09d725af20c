#include "data/csv/csv_store.h"

#include <gtest/gtest.h>

#include <fstream>

#include "base/number_text.h"
#include "host_test_support.h"

namespace quill::host {
namespace {

using testing::ScratchFolder;

Table read_text(const std::string &text, ReadMessages *messages = nullptr)
{
    Table table;
    std::string error;
    ReadMessages ignored;
    EXPECT_TRUE(read_csv_text(text, "t.csv", table, error, messages ? *messages : ignored)) << error;
    return table;
}

std::string read_error(const std::string &text)
{
    Table table;
    std::string error;
    ReadMessages messages;
    EXPECT_FALSE(read_csv_text(text, "t.csv", table, error, messages)) << text;
    return error;
}

// Every value of a table as text, column by column, for comparing whole tables.
std::vector<std::string> cells_of(const Table &t)
{
    std::vector<std::string> cells;
    for (const Column &col : t.columns) {
        cells.push_back(col.name + (col.type == VarType::Numeric ? " numeric" : " character"));
        for (size_t r = 0; r < t.rows; ++r)
            cells.push_back(col.type == VarType::Numeric ? storage_text(col.numbers[r]) : col.texts[r]);
    }
    return cells;
}

std::vector<std::string> files_in(const std::filesystem::path &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(CsvStore, RoundTripKeepsValuesAndTypes)
{
    Table t;
    t.rows = 4;
    t.columns.push_back(Column{{"x", VarType::Numeric}, {0.1, -2.5e-300, missing_value(), 1.0 / 3.0}, {}});
    t.columns.push_back(Column{{"label", VarType::Character}, {}, {"a, b", "say \"hi\"", "", "007"}});
    t.columns.push_back(Column{{"my var", VarType::Numeric}, {1, 2, 3, 4}, {}});
    ScratchFolder folder;
    std::string error;
    ASSERT_TRUE(write_csv_file(folder / "t.csv", t, error)) << error;
    Table back;
    ReadMessages messages;
    ASSERT_TRUE(read_csv_file(folder / "t.csv", back, error, messages)) << error;
    ASSERT_EQ(back.rows, 4u);
    ASSERT_EQ(back.columns.size(), 3u);
    EXPECT_EQ(back.columns[0].numbers[0], 0.1);
    EXPECT_EQ(back.columns[0].numbers[1], -2.5e-300);
    EXPECT_TRUE(is_missing(back.columns[0].numbers[2]));
    EXPECT_EQ(back.columns[0].numbers[3], 1.0 / 3.0);
    EXPECT_EQ(back.columns[1].type, VarType::Character); // "007" stays text
    EXPECT_EQ(back.columns[1].texts, t.columns[1].texts);
    EXPECT_EQ(back.columns[2].name, "my var");
    EXPECT_TRUE(messages.empty());
}

TEST(CsvStore, TypesAreInferredFromEveryCell)
{
    const Table t = read_text("a,b,c,d,e\r\n1,x,.,1,\"2\"\r\n\r\n2.5,,,abc,3\r\n-3e2,y,,2,4\r\n");
    ASSERT_EQ(t.rows, 3u);
    EXPECT_EQ(t.columns[0].type, VarType::Numeric);
    EXPECT_EQ(t.columns[0].numbers[2], -300);
    EXPECT_EQ(t.columns[1].type, VarType::Character);
    EXPECT_EQ(t.columns[1].texts[1], ""); // a missing character value
    EXPECT_EQ(t.columns[2].type, VarType::Numeric); // only missing values
    EXPECT_TRUE(is_missing(t.columns[2].numbers[0]) && is_missing(t.columns[2].numbers[1]));
    EXPECT_EQ(t.columns[3].type, VarType::Character); // one text makes the column text
    EXPECT_EQ(t.columns[3].texts[0], "1");
    EXPECT_EQ(t.columns[4].type, VarType::Character); // a quoted cell is text
}

// Blank lines are no records, so a data set without variables would not read back: refused, and
// nothing is left behind.
TEST(CsvStore, ADataSetWithoutVariablesIsRefused)
{
    Table none;
    none.rows = 1;
    ScratchFolder folder;
    std::string error;
    EXPECT_FALSE(write_csv_file(folder / "none.csv", none, error));
    EXPECT_NE(error.find("cannot hold a data set without variables"), std::string::npos) << error;
    EXPECT_TRUE(files_in(folder.path()).empty());
}

// A mark before the first name is the file's; a name that starts with one (a name literal can)
// is written quoted and keeps it.
TEST(CsvStore, AByteOrderMarkIsNotPartOfTheFirstNameUnlessTheNameHasIt)
{
    const Table t = read_text("\xEF\xBB\xBFid,x\n1,2\n");
    EXPECT_EQ(t.columns[0].name, "id");

    Table marked;
    marked.rows = 1;
    marked.columns.push_back(Column{{"\xEF\xBB\xBFmy id", VarType::Numeric}, {1}, {}});
    ScratchFolder folder;
    std::string error;
    ASSERT_TRUE(write_csv_file(folder / "m.csv", marked, error)) << error;
    Table back;
    ReadMessages messages;
    ASSERT_TRUE(read_csv_file(folder / "m.csv", back, error, messages)) << error;
    EXPECT_EQ(back.columns[0].name, marked.columns[0].name);
    EXPECT_TRUE(messages.empty());
}

// A text column is as long as its longest value, up to the 32767 bytes a variable holds: beyond
// that a value is cut, never inside a UTF-8 character, with one warning per column.
TEST(CsvStore, TextIsAsLongAsItsLongestValueUpTo32767Bytes)
{
    ReadMessages messages;
    const std::string most(32767, 'z'), over = std::string(32766, 'y') + "\xC3\xA9";
    const Table t = read_text("s,t\n" + most + "," + over + "\nshort," + over + "\n", &messages);
    EXPECT_EQ(t.columns[0].length, 32767u);
    EXPECT_EQ(t.columns[0].texts[0], most);
    EXPECT_EQ(t.columns[1].texts[0], std::string(32766, 'y')); // the é would end past the limit
    EXPECT_EQ(t.columns[1].length, 32766u);
    EXPECT_EQ(messages, (ReadMessages{{LineClass::Warning,
                                       "t.csv, line 2: values of t longer than 32767 bytes are cut to 32767."}}));
}

TEST(CsvStore, LinesEndInLfCrLfOrCrAlone)
{
    const std::vector<std::string> expected = cells_of(read_text("y,x\n1,2\n3,\"a\nb\"\n"));
    for (const char *text : {"y,x\r1,2\r3,\"a\nb\"\r", "y,x\r\n1,2\r\n\r\n3,\"a\nb\"", "y,x\r\r1,2\n3,\"a\nb\"\r\n"})
        EXPECT_EQ(cells_of(read_text(text)), expected) << text;
    EXPECT_EQ(read_error("a\r1\r2,3\r"), "t.csv, line 3: 2 values where the header names 1.");
    EXPECT_EQ(read_error("a\r\n\"x\r\ry\"\r\"z"), "t.csv, line 5: a quoted value is not closed.");
}

TEST(CsvStore, CellsThatAreNotPlainNumbersAreExplained)
{
    ReadMessages messages;
    const Table t = read_text("big,tiny,na,mixed,quoted,text\n"
                              "1,1e-400,1,1,1,a\n"
                              "1e400,-1e-320,NA,2,\"2\",b\n"
                              "-1e999,3,NA,zz,3,4\n",
                              &messages);
    ASSERT_EQ(t.rows, 3u);
    EXPECT_EQ(cells_of(t), (std::vector<std::string>{"big numeric", "1", ".", ".", "tiny numeric", "0",
                                                      "-1e-320", "3", "na numeric", "1", ".", ".",
                                                      "mixed character", "1", "2", "zz", "quoted character", "1",
                                                      "2", "3", "text character", "a", "b", "4"}));
    EXPECT_EQ(messages,
              (ReadMessages{
                  {LineClass::Warning,
                   "t.csv, line 3: the value \"1e400\" of column big is out of range and is read as a missing "
                   "value (2 cells)."},
                  {LineClass::Note,
                   "t.csv, line 2: the value \"1e-400\" of column tiny is too close to zero for a number and is read "
                   "as 0."},
                  {LineClass::Note, "t.csv, line 3: NA in column na is read as a missing value (2 cells)."},
                  {LineClass::Note,
                   "t.csv, line 4: column mixed is read as character because its value \"zz\" here is not a number."},
                  {LineClass::Note,
                   "t.csv, line 3: column quoted is read as character because its value \"2\" here is quoted."},
                  {LineClass::Note,
                   "t.csv, line 2: column text is read as character because its value \"a\" here is not a number."}}));
}

TEST(CsvStore, HeaderNamesAVariableCannotHaveAreChangedWithOneNote)
{
    ReadMessages messages;
    const std::string long_name(40, 'n');
    const Table t = read_text("a,,b,A," + long_name + ",\"tab\there\"," + long_name + "\n1,2,3,4,5,6,7\n", &messages);
    std::vector<std::string> names;
    for (const Column &col : t.columns)
        names.push_back(col.name);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "VAR2", "b", "A2", std::string(32, 'n'), "tab_here",
                                               std::string(31, 'n') + "2"}));
    const std::string shown = "\"" + long_name + "\"";
    EXPECT_EQ(messages, (ReadMessages{{LineClass::Note,
                                       "t.csv, line 1: header names that a variable cannot have are changed: \"\" to "
                                       "VAR2, \"A\" to A2, " + shown + " to " + std::string(32, 'n') +
                                           ", \"tab\there\" to tab_here, " + shown + " to " +
                                           std::string(31, 'n') + "2."}}));

    // Bytes that are not UTF-8 are cut at 32 like any others, never to an empty name.
    const Table bytes = read_text(std::string(40, '\xAD') + ",z\n1,2\n");
    EXPECT_EQ(bytes.columns[0].name, std::string(32, '\xAD'));

    // A wide header of one repeated name is read in linear time.
    std::string wide = "x";
    for (int i = 1; i < 100000; ++i)
        wide += ",x";
    const Table w = read_text(wide + "\n" + std::string(99999, ',') + "\n");
    ASSERT_EQ(w.columns.size(), 100000u);
    EXPECT_EQ(w.columns[99999].name, "x100000");
}

TEST(CsvStore, ARepairedNameIsNeverTheNameOfAnotherColumn)
{
    // Names are compared without regard to case; the note lists only the repaired columns.
    const std::pair<std::string, std::vector<std::string>> headers[] = {
        {"y,v,v,v2", {"y", "v", "v3", "v2"}},
        {"a,A,a2,A3", {"a", "A4", "a2", "A3"}},
        {",x,var1", {"VAR12", "x", "var1"}},
        {"x\x01,x_,X_2", {"x_3", "x_", "X_2"}},
    };
    for (const auto &[header, expected] : headers) {
        ReadMessages messages;
        const Table t = read_text(header + "\n" + std::string(expected.size() - 1, ',') + "\n", &messages);
        std::vector<std::string> names;
        for (const Column &col : t.columns)
            names.push_back(col.name);
        EXPECT_EQ(names, expected) << header;
        EXPECT_EQ(messages.size(), 1u) << header;
    }
    ReadMessages messages;
    read_text("y,v,v,v2\n1,2,3,4\n", &messages);
    EXPECT_EQ(messages, (ReadMessages{{LineClass::Note,
                                       "t.csv, line 1: header names that a variable cannot have are changed: \"v\" "
                                       "to v3."}}));
}

TEST(CsvStore, RecordsAcrossTheReadBufferAreReadWhole)
{
    // A file is read in buffers of 1 MiB: put each delicate pair of bytes across the first
    // boundary (a CR LF, a doubled quote, a closing quote and its comma, a CR alone) and compare
    // with the same text read from memory.
    const size_t boundary = size_t{1} << 20;
    const std::pair<std::string, size_t> records[] = {
        {"2,abc\r\n", 5}, {"3,\"x\"\"y\"\n", 4}, {"\"4\",z\n", 2}, {"5,q\r7,w\n", 3},
        {"6,1.25e-3\n", 5}, {"6,1.25\n", 5}, {"6,1.25e3x\n", 7}};
    ScratchFolder folder;
    for (const auto &[record, pair_at] : records) {
        std::string text = "id,note\n";
        const char *ends[] = {"\n", "\r\n", "\r"};
        for (int r = 0; text.size() + 40 < boundary; ++r)
            text += std::to_string(r) + ",\"a\nb\"" + ends[r % 3];
        text += "1," + std::string(boundary - 1 - pair_at - text.size() - 3, 'p') + "\n";
        text += record + "8,end";
        ASSERT_EQ(text.substr(boundary - 1 - pair_at, record.size()), record);
        testing::write_file(folder / "big.csv", text);
        Table from_file;
        std::string error;
        ReadMessages messages;
        ASSERT_TRUE(read_csv_file(folder / "big.csv", from_file, error, messages)) << error;
        EXPECT_EQ(cells_of(from_file), cells_of(read_text(text))) << record;
    }
}

// Plain numbers are recognised while the record is split, and read without read_number's checks:
// every short text from the characters of numbers, in the middle of a record, at its end before a
// CR LF and at the end of the file, must read as read_number reads it alone, or as text; and the
// same with more rows after it (short cells are split many bytes at a time where the text goes on).
TEST(CsvStore, EveryCellReadsAsReadNumberSays)
{
    const std::string alphabet = "09.eE+- x";
    std::string cell;
    for (size_t length = 1; length <= 5; ++length) {
        size_t combinations = 1;
        for (size_t k = 0; k < length; ++k)
            combinations *= alphabet.size();
        for (size_t c = 0; c < 2 * combinations; ++c) {
            cell.clear();
            for (size_t k = 0, rest = c % combinations; k < length; ++k, rest /= alphabet.size())
                cell += alphabet[rest % alphabet.size()];
            std::string more;
            for (int row = 0; row < 40 && c >= combinations; ++row)
                more += "\n9,9";
            Table table;
            std::string error;
            ReadMessages messages;
            ASSERT_TRUE(read_csv_text("a,b\n" + cell + "," + cell + "\r\n1," + cell + more, "t.csv", table, error,
                                      messages))
                << error;
            double value = 0;
            const NumberText kind = read_number(cell, value);
            std::string stored = cell;
            while (!stored.empty() && stored.back() == ' ')
                stored.pop_back();
            const std::string trimmed = stored.substr(std::min(stored.size(), stored.find_first_not_of(' ')));
            const Column &b = table.columns[1];
            if (kind == NumberText::NotNumber && !(trimmed.empty() || trimmed == ".")) {
                ASSERT_EQ(b.type, VarType::Character) << "[" << cell << "]";
                ASSERT_GE(b.texts.size(), 2u);
                EXPECT_EQ(std::vector<std::string>(b.texts.begin(), b.texts.begin() + 2),
                          std::vector<std::string>({stored, stored})) << "[" << cell << "]";
                continue;
            }
            ASSERT_EQ(b.type, VarType::Numeric) << "[" << cell << "]";
            const double expected =
                kind == NumberText::Number || kind == NumberText::Underflow ? value : missing_value();
            for (const double read : {table.columns[0].numbers[0], b.numbers[0], b.numbers[1]})
                ASSERT_EQ(storage_text(read), storage_text(expected)) << "[" << cell << "]";
        }
    }
}

// Describing a file gives each column its type and its longest stored text; every cursor then
// reads the rows from the first. A file replaced by renaming (as the host's writers replace one) is
// read as it was described; one changed in place is refused, never read in part.
TEST(CsvStore, CursorsReadTheFileAsItWasDescribed)
{
    ScratchFolder folder;
    const auto file = folder / "d.csv";
    testing::write_file(file, "x,s\n1,a\n2," + std::string(40, 'b') + "\n");
    ReadMessages messages;
    std::string error;
    const auto source = open_csv_file(file, messages, error);
    ASSERT_TRUE(source) << error;
    const Description &d = source->describe();
    EXPECT_EQ(d.rows, 2u);
    EXPECT_EQ(d.variables[0].type, VarType::Numeric);
    EXPECT_EQ(d.variables[0].length, 8u);
    EXPECT_EQ(d.variables[1].type, VarType::Character);
    EXPECT_EQ(d.variables[1].length, 40u);

    testing::write_file(folder / "new.csv", "y\n9\n");
    std::filesystem::rename(folder / "new.csv", file);
    const auto read_all = [&](const TableSource &from, std::vector<bool> wanted) {
        const auto cursor = from.rows(wanted, error);
        Row row;
        row.resize(from.describe().variables.size());
        std::vector<std::string> cells;
        for (RowCursor::Step step; (step = cursor->next(row, error)) == RowCursor::Step::Row;)
            cells.push_back(storage_text(row.numbers[0]) + "|" + row.texts[1]);
        return cells;
    };
    const std::vector<std::string> expected = {"1|a", "2|" + std::string(40, 'b')};
    EXPECT_EQ(read_all(*source, {}), expected);
    EXPECT_EQ(read_all(*source, {true, true}), expected);

    const auto replaced = open_csv_file(file, messages, error);
    ASSERT_TRUE(replaced) << error;
    for (const char *in_place : {"y\nzz\n", "y\n9\n8\n", "y\n"}) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << in_place; // the same file, rewritten
        const auto cursor = replaced->rows({}, error);
        Row row;
        row.resize(1);
        RowCursor::Step step;
        while ((step = cursor->next(row, error)) == RowCursor::Step::Row)
            EXPECT_EQ(row.numbers[0], 9) << in_place;
        EXPECT_EQ(step, RowCursor::Step::Failed) << in_place;
        EXPECT_EQ(error, file.string() + ": the file changed while it was read.");
    }
}

TEST(CsvStore, MalformedFilesNameTheLineAndTheProblem)
{
    EXPECT_EQ(read_error(""), "t.csv, line 1: the file is empty; a header row of variable names is expected.");
    EXPECT_EQ(read_error("a,b\n1,2\n3\n"), "t.csv, line 3: 1 value where the header names 2.");
    EXPECT_EQ(read_error("a,b\n1,2,3\n"), "t.csv, line 2: 3 values where the header names 2.");
    EXPECT_EQ(read_error("a,b\n1,\"open\n2,3\n"), "t.csv, line 2: a quoted value is not closed.");
    EXPECT_EQ(read_error("a,b\n1,ab\"c\n"), "t.csv, line 2: a quote appears inside an unquoted value.");
    EXPECT_EQ(read_error("a,b\n1,\"ab\"c\n"), "t.csv, line 2: characters follow the closing quote of a value.");
    // A quoted value may hold a line break; later lines are still counted right.
    EXPECT_EQ(read_error("a,b\n1,\"x\ny\"\n2\n"), "t.csv, line 4: 1 value where the header names 2.");
}

TEST(CsvStore, MissingFileIsNamed)
{
    ScratchFolder folder;
    Table t;
    std::string error;
    ReadMessages messages;
    EXPECT_FALSE(read_csv_file(folder / "absent.csv", t, error, messages));
    EXPECT_NE(error.find("absent.csv: the file cannot be opened"), std::string::npos) << error;
}

TEST(CsvStore, AnUnfinishedWriteLeavesTheEarlierFileIntact)
{
    ScratchFolder folder;
    const auto target = folder / "d.csv";
    testing::write_file(target, "x\n1\n");
    {
        CsvWriter writer;
        std::string error;
        ASSERT_TRUE(writer.open(target, error)) << error;
        writer.name("x");
        ASSERT_TRUE(writer.end_row(error)) << error;
        writer.number(2);
        ASSERT_TRUE(writer.end_row(error)) << error;
        EXPECT_EQ(files_in(folder.path()).size(), 2u); // the target and the temporary file
    } // destroyed without commit: the run failed midway
    EXPECT_EQ(testing::read_file(target), "x\n1\n");
    EXPECT_EQ(files_in(folder.path()), std::vector<std::string>{"d.csv"});

    CsvWriter writer;
    std::string error;
    ASSERT_TRUE(writer.open(target, error));
    writer.name("x");
    ASSERT_TRUE(writer.end_row(error)) << error;
    writer.number(2);
    ASSERT_TRUE(writer.end_row(error)) << error;
    ASSERT_TRUE(writer.commit(error)) << error;
    EXPECT_EQ(testing::read_file(target), "x\n2\n");
    EXPECT_EQ(files_in(folder.path()), std::vector<std::string>{"d.csv"});
}

TEST(CsvStore, TwoWritersOfOneTargetDoNotShareATemporaryFile)
{
    ScratchFolder folder;
    const auto target = folder / "d.csv";
    CsvWriter first, second;
    std::string error;
    ASSERT_TRUE(first.open(target, error));
    ASSERT_TRUE(second.open(target, error));
    first.name("first");
    ASSERT_TRUE(first.end_row(error)) << error;
    second.name("second");
    ASSERT_TRUE(second.end_row(error)) << error;
    ASSERT_TRUE(first.commit(error)) << error;
    ASSERT_TRUE(second.commit(error)) << error;
    EXPECT_EQ(testing::read_file(target), "second\n");
    EXPECT_EQ(files_in(folder.path()), std::vector<std::string>{"d.csv"});
}

TEST(CsvStore, AWriteIntoAMissingFolderFailsCleanly)
{
    ScratchFolder folder;
    CsvWriter writer;
    std::string error;
    EXPECT_FALSE(writer.open(folder / "no" / "d.csv", error));
    EXPECT_NE(error.find("cannot be created"), std::string::npos) << error;
    EXPECT_TRUE(files_in(folder.path()).empty());
}

} // namespace
} // namespace quill::host
