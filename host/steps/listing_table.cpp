#include "steps/listing_table.h"

#include <algorithm>
#include <cstdio>

#include "data/table.h"

namespace quill::host {
std::string pad_text(const std::string &text, size_t width, bool right)
{
    if (text.size() >= width)
        return text;
    const std::string blanks(width - text.size(), ' ');
    return right ? blanks + text : text + blanks;
}

std::string centered(const std::string &text)
{
    constexpr size_t width = 80;
    return text.size() >= width ? text : std::string((width - text.size()) / 2, ' ') + text;
}

void print_listing_table(Listing &listing, const std::vector<ListingColumn> &columns, bool rule, size_t indent)
{
    std::vector<size_t> widths;
    size_t rows = 0, total = 0;
    for (const ListingColumn &c : columns) {
        size_t w = c.header.size();
        for (const std::string &cell : c.cells)
            w = std::max(w, cell.size());
        widths.push_back(w);
        rows = std::max(rows, c.cells.size());
        total += w + (total ? 2 : 0);
    }
    auto emit = [&](auto cell_of) {
        std::string line(indent, ' ');
        for (size_t k = 0; k < columns.size(); ++k)
            line += (k ? "  " : "") + pad_text(cell_of(k), widths[k], columns[k].right);
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        listing.line(line);
    };
    emit([&](size_t k) { return columns[k].header; });
    if (rule)
        listing.line(std::string(indent, ' ') + std::string(total, '-'));
    for (size_t r = 0; r < rows; ++r)
        emit([&](size_t k) { return r < columns[k].cells.size() ? columns[k].cells[r] : std::string(); });
}

void print_member_list(Listing &listing, const std::vector<std::string> &members)
{
    ListingColumn number{"#", true, {}}, name{"Name", false, {}}, type{"Member Type", false, {}};
    for (size_t i = 0; i < members.size(); ++i) {
        number.cells.push_back(std::to_string(i + 1));
        name.cells.push_back(members[i]);
        type.cells.push_back("DATA");
    }
    print_listing_table(listing, {number, name, type}, false);
}

std::string fixed_text(double value, int decimals)
{
    if (is_missing(value))
        return ".";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    if (std::string_view(text) == "-0" || (text[0] == '-' && std::string_view(text).find_first_not_of("-0.") == std::string_view::npos))
        return text + 1; // no minus sign on a zero
    return text;
}

} // namespace quill::host
