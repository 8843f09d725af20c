#include "data/format.h"

#include "base/memory_shortage.h"
#include "base/names.h"
#include "data/csv/csv_store.h"
#include "data/qds/qds_store.h"
#include "data/sas/sas_store.h"

namespace quill::host {

std::span<const Format *const> formats()
{
    static const Format *const registry[] = {&csv_format(), &sas7bdat_format(), &xport_format(), &qds_format()}; // the default first
    return registry;
}

const Format &default_format() { return *formats()[0]; }

const Format *format_for_extension(std::string_view extension)
{
    const std::string lower = lower_case(extension);
    for (const Format *format : formats())
        if (format->extension == lower)
            return format;
    return nullptr;
}

bool read_table(const TableSource &source, const std::vector<size_t> &columns, Table &table, std::string &error)
{
    const Description &description = source.describe();
    std::vector<size_t> picked = columns;
    if (picked.empty())
        for (size_t i = 0; i < description.variables.size(); ++i)
            picked.push_back(i);
    std::vector<bool> wanted(description.variables.size(), false);
    for (size_t c : picked)
        wanted[c] = true;
    const std::unique_ptr<RowCursor> cursor = source.rows(wanted, error);
    if (!cursor)
        return false;
    Table result;
    result.columns.resize(picked.size());
    for (size_t k = 0; k < picked.size(); ++k) {
        Column &col = result.columns[k];
        static_cast<Variable &>(col) = description.variables[picked[k]];
        if (col.type == VarType::Numeric)
            reserve_or_throw(col.numbers, description.rows);
        else
            reserve_or_throw(col.texts, description.rows);
    }
    Row row;
    row.resize(description.variables.size());
    for (RowCursor::Step step; (step = cursor->next(row, error)) != RowCursor::Step::End;) {
        if (step == RowCursor::Step::Failed)
            return false;
        for (size_t k = 0; k < picked.size(); ++k) {
            Column &col = result.columns[k];
            if (col.type == VarType::Numeric)
                col.numbers.push_back(row.numbers[picked[k]]);
            else
                col.texts.push_back(row.texts[picked[k]]);
        }
        ++result.rows;
    }
    table = std::move(result);
    return true;
}

bool write_table(const Format &format, const std::filesystem::path &file, const std::string &member,
                 const Table &table, const std::vector<std::string> &sorted_by, std::string &error)
{
    const std::unique_ptr<TableSink> sink = format.create(file, member);
    sink->set_sorted_by(sorted_by);
    if (!sink->define(std::vector<Variable>(table.columns.begin(), table.columns.end()), error))
        return false;
    Row row;
    row.resize(table.columns.size());
    for (size_t r = 0; r < table.rows; ++r) {
        table.copy_row(r, row);
        if (!sink->write_row(row, error))
            return false;
    }
    return sink->commit(error);
}

} // namespace quill::host
