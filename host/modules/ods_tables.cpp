#include "modules/ods_tables.h"

#include <algorithm>
#include <cstring>

#include "base/names.h"
#include "language/output_options.h"

namespace quill::host {
namespace {

OdsOutputRequest *request_for(Session &session, const std::string &table)
{
    for (OdsOutputRequest &r : session.ods_outputs)
        if (same_name(r.table, table))
            return &r;
    return nullptr;
}

int32_t misuse(RunContext &run, const std::string &what)
{
    run.log().error("Procedure " + run.proc_name() + " handed over the table " + what + ".");
    return -1;
}

// The table's variables: the BY variables under BY, then its columns, texts as long as their
// longest value.
bool table_variables(RunContext &run, const qh_by_group *group, int32_t count, const qh_table_column *columns,
                     int32_t rows, std::vector<Variable> &variables)
{
    if (group)
        variables = run.by_variables;
    for (int32_t k = 0; k < count; ++k) {
        const qh_table_column &c = columns[k];
        const bool numeric = c.type == QH_VAR_NUMERIC;
        if (!c.name || !is_valid_name(c.name) || (!numeric && c.type != QH_VAR_CHARACTER) ||
            (rows > 0 && (numeric ? !c.numbers : !c.texts)))
            return false;
        size_t length = numeric ? number_length : 1;
        for (int32_t r = 0; !numeric && r < rows; ++r)
            length = std::max(length, std::strlen(c.texts[r] ? c.texts[r] : ""));
        variables.push_back({c.name, numeric ? VarType::Numeric : VarType::Character, length, c.label ? c.label : ""});
    }
    return true;
}

// Folds a later table's variables into those of its name: the same names and types, texts as
// long as the longest.
bool same_columns(std::vector<Variable> &kept, const std::vector<Variable> &more)
{
    if (kept.size() != more.size())
        return false;
    for (size_t k = 0; k < kept.size(); ++k) {
        if (!same_name(kept[k].name, more[k].name) || kept[k].type != more[k].type)
            return false;
        kept[k].length = std::max(kept[k].length, more[k].length);
    }
    return true;
}

} // namespace

int32_t op_output_table(const char *name, const qh_by_group *group, int32_t count, const qh_table_column *columns,
                        int32_t rows)
{
    RunContext *run = current_run();
    if (!run)
        return -1;
    if (!name || !is_valid_name(name) || count < 1 || !columns || rows < 0)
        return misuse(*run, "without a valid name, columns or rows");
    if (group && run->by_variables.empty())
        return misuse(*run, std::string(name) + " for a BY group it was not given");
    if (!request_for(run->session(), name))
        return 0;
    std::vector<Variable> variables;
    if (!table_variables(*run, group, count, columns, rows, variables))
        return misuse(*run, std::string(name) + " with a column that is not valid");
    auto &tables = run->ods_tables;
    auto kept = std::find_if(tables.begin(), tables.end(), [&](const auto &t) { return same_name(t.name, name); });
    if (kept == tables.end())
        kept = tables.insert(tables.end(), {upper_case(name), variables, {}});
    else if (!same_columns(kept->variables, variables))
        return misuse(*run, std::string(name) + " with columns unlike those it had before");
    const size_t by = group ? run->by_variables.size() : 0;
    for (int32_t r = 0; r < rows; ++r) {
        Row row;
        row.resize(variables.size());
        for (size_t k = 0; k < by; ++k) {
            row.numbers[k] = group->numbers[k];
            if (variables[k].type == VarType::Character && group->texts && group->texts[k]) {
                std::string text = group->texts[k];
                text.erase(text.find_last_not_of(' ') + 1);
                row.texts[k] = std::move(text);
            }
        }
        for (int32_t k = 0; k < count; ++k) {
            const size_t v = by + static_cast<size_t>(k);
            if (columns[k].type == QH_VAR_NUMERIC)
                row.numbers[v] = columns[k].numbers[r];
            else
                row.texts[v] = columns[k].texts[r] ? columns[k].texts[r] : "";
        }
        kept->rows.push_back(std::move(row));
    }
    return 0;
}

void write_ods_tables(RunContext &run)
{
    Session &session = run.session();
    for (RunContext::OdsTable &table : run.ods_tables) {
        OdsOutputRequest *request = request_for(session, table.name);
        if (!request)
            continue;
        request->made = true;
        DatasetReference ref;
        std::string error;
        if (!parse_dataset_reference(request->dataset, 0, request->dataset.size(), session.library, ref, error)) {
            session.log.error(error + " (line " + std::to_string(request->line) + ").");
            continue;
        }
        if (ref.is_null)
            continue;
        run.note_inputs();
        const std::unique_ptr<OutputDataset> output = make_output(session.library, session.log, ref);
        if (!output->create(table.variables))
            continue;
        bool written = true;
        for (Row &row : table.rows)
            written = written && output->write(row);
        if (written)
            output->commit();
    }
    run.ods_tables.clear();
}

void close_ods_requests(Session &session)
{
    for (const OdsOutputRequest &r : session.ods_outputs)
        if (!r.made)
            session.log.warning("Output '" + r.table +
                                "' was not created. Make sure that the output object name, label, or path is spelled "
                                "correctly. Also, verify that the appropriate procedure options are used to produce "
                                "the requested output object. For example, verify that the NOPRINT option is not used.");
    session.ods_outputs.clear();
}

} // namespace quill::host
