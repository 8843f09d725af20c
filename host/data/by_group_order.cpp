#include "data/by_group_order.h"

#include "base/number_text.h"

namespace quill::host {
namespace {

int compare_values(const Column &col, size_t a, size_t b)
{
    if (col.type == VarType::Character) {
        const int c = col.texts[a].compare(col.texts[b]);
        return c < 0 ? -1 : c > 0;
    }
    const double x = col.numbers[a], y = col.numbers[b];
    const bool mx = is_missing(x), my = is_missing(y);
    if (mx || my)
        return mx == my ? 0 : mx ? -1 : 1;
    return x < y ? -1 : x > y;
}

std::string value_text(const Column &col, size_t row)
{
    return col.type == VarType::Numeric ? best_text(col.numbers[row]) : col.texts[row];
}

} // namespace

int compare_rows(const Table &table, const std::vector<ByKey> &keys, size_t a, size_t b)
{
    for (const ByKey &key : keys)
        if (const int c = compare_values(table.columns[key.column], a, b))
            return key.descending ? -c : c;
    return 0;
}

bool by_group_starts(const Table &table, const std::vector<ByKey> &keys, const std::string &dataset,
                     std::vector<size_t> &starts, std::string &error, const ValueText &text)
{
    auto shown_apart = [&](size_t a, size_t b) {
        for (const ByKey &key : keys)
            if (text(table.columns[key.column], a) != text(table.columns[key.column], b))
                return true;
        return false;
    };
    starts.clear();
    for (size_t r = 0; r < table.rows; ++r) {
        const int c = r == 0 ? 1 : compare_rows(table, keys, r - 1, r);
        if (c > 0 && r > 0) {
            bool descending = false;
            for (const ByKey &key : keys)
                if (compare_values(table.columns[key.column], r - 1, r) != 0) {
                    descending = key.descending;
                    break;
                }
            std::string current, next;
            for (const ByKey &key : keys) {
                const Column &col = table.columns[key.column];
                current += (current.empty() ? "" : " ") + col.name + " = " + (text ? text(col, r - 1) : value_text(col, r - 1));
                next += (next.empty() ? "" : " ") + col.name + " = " + (text ? text(col, r) : value_text(col, r));
            }
            error = "Data set " + dataset + " is not sorted in " + (descending ? "descending" : "ascending") +
                    " sequence. The current BY group has " + current + " and the next BY group has " + next + ".";
            return false;
        }
        if (r == 0 || (c < 0 && (!text || shown_apart(r - 1, r))))
            starts.push_back(r);
    }
    starts.push_back(table.rows);
    return true;
}

std::string by_line(const Table &table, const std::vector<ByKey> &keys, size_t row, const ValueText &text)
{
    std::string line;
    for (const ByKey &key : keys) {
        const Column &col = table.columns[key.column];
        line += (line.empty() ? "" : " ") + col.name + "=" + (text ? text(col, row) : value_text(col, row));
    }
    return line;
}

std::string by_heading(const std::string &line)
{
    const size_t dashes = line.size() + 2 < 78 ? (78 - line.size() - 2) / 2 : 2;
    std::string heading(dashes, '-');
    heading.push_back(' ');
    heading.append(line);
    heading.push_back(' ');
    heading.append(dashes, '-');
    return heading;
}

std::vector<std::string> by_names(const Table &table, const std::vector<ByKey> &keys)
{
    std::vector<std::string> names;
    for (const ByKey &key : keys)
        names.push_back((key.descending ? "DESCENDING " : "") + table.columns[key.column].name);
    return names;
}

} // namespace quill::host
