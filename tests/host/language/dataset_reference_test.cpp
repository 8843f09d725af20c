#include "language/dataset_reference.h"

#include <gtest/gtest.h>

#include "data/csv/csv_store.h"
#include "host_test_support.h"

namespace quill::host {
namespace {

using testing::ScratchFolder;

TEST(DatasetReference, NamesPathsLastAndOptions)
{
    ScratchFolder folder;
    DatasetLibrary library(folder / "work", true);
    std::string error;
    DatasetReference ref;
    auto parse = [&](const std::string &text) {
        ref = DatasetReference{};
        const auto tokens = testing::tokens_of(text);
        return parse_dataset_reference(tokens, 0, tokens.size(), library, ref, error);
    };
    EXPECT_FALSE(parse("_last_"));
    EXPECT_EQ(error, "There is no _LAST_ data set: no data set has been created yet.");
    ASSERT_TRUE(parse("work.a(keep=x1-x3 y drop=z)"));
    EXPECT_EQ(ref.name.display, "WORK.A");
    EXPECT_EQ(ref.keep.size(), 4u);
    EXPECT_EQ(ref.drop.size(), 1u);
    library.set_last(ref.name);
    ASSERT_TRUE(parse("_LAST_"));
    EXPECT_EQ(ref.name.display, "WORK.A");
    ASSERT_TRUE(parse("_null_"));
    EXPECT_TRUE(ref.is_null);
    ASSERT_TRUE(parse("a(label='Scores 2024')"));
    EXPECT_EQ(ref.label, "Scores 2024");
    EXPECT_FALSE(parse("a(label=x)"));
    EXPECT_EQ(error, "LABEL= needs a quoted text.");
    EXPECT_FALSE(parse("a(compress=yes)"));
    EXPECT_EQ(error, "The data set option \"compress\" is not supported by this host; it takes KEEP=, DROP=, RENAME=, "
                     "WHERE=, FIRSTOBS=, OBS=, IN= and LABEL=.");
    ASSERT_TRUE(parse("a(in=seen keep=x)"));
    EXPECT_TRUE(ref.has_in);
    EXPECT_EQ(ref.in_name.text, "seen");
    EXPECT_EQ(ref.keep.size(), 1u);
    EXPECT_FALSE(parse("a(in=1)"));
    EXPECT_EQ(error, "IN= needs the name of a variable.");
    EXPECT_FALSE(parse("a b"));
    EXPECT_EQ(error, "Unexpected \"b\" after the data set name.");

    ReadMessages messages;
    DatasetView view = whole_view(open_csv_text("x,y,z\n", "t.csv", messages, error));
    ASSERT_TRUE(parse("a(drop=y)"));
    ASSERT_TRUE(apply_dataset_options(ref, view, error));
    ASSERT_EQ(view.variables.size(), 2u);
    EXPECT_EQ(view.variables[0].name, "x"); // kept in place, not moved onto itself
    EXPECT_EQ(view.variables[1].name, "z");
    EXPECT_EQ(view.columns, (std::vector<size_t>{0, 2}));
}

} // namespace
} // namespace quill::host
