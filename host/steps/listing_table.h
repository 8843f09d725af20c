// What the host's procedures print with: a table of columns for the listing, text padded or
// centered in the listing's width, and numbers with a fixed count of decimals.
#ifndef QUILL_HOST_STEPS_LISTING_TABLE_H
#define QUILL_HOST_STEPS_LISTING_TABLE_H

#include <string>
#include <vector>

#include "base/log_writer.h"

namespace quill::host {

// A table for the listing: a header row, a rule of dashes under it when asked for, then the rows;
// right-aligned columns for numbers. Columns are separated by two blanks and trailing blanks cut.
struct ListingColumn {
    std::string header;
    bool right = true;
    std::vector<std::string> cells;
};
void print_listing_table(Listing &listing, const std::vector<ListingColumn> &columns, bool rule, size_t indent = 0);

// A library's members as PROC DATASETS and CONTENTS list them: number, name and member type.
void print_member_list(Listing &listing, const std::vector<std::string> &members);

std::string pad_text(const std::string &text, size_t width, bool right);
// A line centered on the listing's width (80 columns), for a procedure's heading.
std::string centered(const std::string &text);

// A number with `decimals` decimals, or "." when missing.
std::string fixed_text(double value, int decimals);

} // namespace quill::host

#endif
