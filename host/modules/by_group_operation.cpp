// op_by_groups: reads the BY variables of an input data set as the procedure will read it (its
// data set options applied), checks their order and divides the observations into groups with
// the same code and messages as PROC PRINT and MEANS. The groups live in the run's memory.
#include "modules/by_group_operation.h"

#include "language/format_statement.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "base/message_text.h"
#include "data/by_group_order.h"
#include "modules/run_context.h"

namespace quill::host {
namespace {

// Run memory for `count` objects of T (zeroed); the run ends when there is none.
template <typename T>
T *run_array(RunContext &run, size_t count)
{
    void *block = run.arena().allocate(sizeof(T) * (count ? count : 1));
    if (!block) {
        run.log().error("Procedure " + run.proc_name() + " needs memory for its BY groups, more than the system can give.");
        throw RunEnded{3000};
    }
    return static_cast<T *>(block);
}

const char *run_text(RunContext &run, const std::string &text)
{
    char *copy = run_array<char>(run, text.size() + 1);
    std::memcpy(copy, text.data(), text.size());
    return copy;
}

int32_t fail_with(RunContext *run, const std::string &message)
{
    if (run)
        run->log().error(message);
    return -1;
}

} // namespace

int32_t op_by_groups(qh_dataset *ds, int32_t count, qh_by_variable *variables, const qh_by_group **groups)
{
    RunContext *run = current_run();
    if (!run || !ds || !run->owns(ds) || ds->mode != QH_DS_INPUT || count < 1 || !variables || !groups)
        return fail_with(run, run ? "Procedure " + run->proc_name() + ": BY groups were asked of an unknown data set."
                                  : std::string());
    const std::vector<Variable> &all = ds->input.variables;
    std::vector<bool> kept(all.size(), false);
    for (int32_t k = 0; k < count; ++k) {
        const int32_t number = variables[k].var_number;
        if (number < 1 || number > static_cast<int32_t>(all.size()))
            return fail_with(run, "Procedure " + run->proc_name() + ": BY variable number " + std::to_string(number) +
                                      " does not exist in " + ds->name.display + ".");
        kept[static_cast<size_t>(number - 1)] = true;
    }
    // Only the BY variables are read; their columns in the kept table follow the data set's order.
    DatasetView view = ds->input;
    keep_variables(view, kept);
    std::vector<size_t> kept_column(all.size());
    for (size_t v = 0, c = 0; v < all.size(); ++v)
        if (kept[v])
            kept_column[v] = c++;
    std::vector<ByKey> keys;
    for (int32_t k = 0; k < count; ++k) {
        const size_t v = static_cast<size_t>(variables[k].var_number - 1);
        keys.push_back({kept_column[v], variables[k].descending != 0});
        variables[k].type = static_cast<int32_t>(all[v].type);
        variables[k].length = static_cast<int32_t>(all[v].type == VarType::Numeric ? number_length : all[v].length);
    }
    run->by_variables.clear();
    for (int32_t k = 0; k < count; ++k)
        run->by_variables.push_back(all[static_cast<size_t>(variables[k].var_number - 1)]);
    Table table;
    std::string error;
    if (!read_view(view, table, error))
        return fail_with(run, at_line(error, run->step_line()));
    if (table.rows > static_cast<size_t>(INT32_MAX))
        return fail_with(run, "Data set " + ds->name.display + " has more observations than BY groups can count.");
    // Groups of formatted values, as the host's own procedures make them.
    const ShownValues shown(table, &run->session().formats);
    std::vector<size_t> starts;
    if (!by_group_starts(table, keys, ds->name.display, starts, error, shown.by_text()))
        return fail_with(run, at_line(error, run->step_line()));

    const size_t group_count = starts.size() - 1;
    auto *out = run_array<qh_by_group>(*run, group_count);
    for (size_t g = 0; g < group_count; ++g) {
        const size_t row = starts[g];
        qh_by_group &group = out[g];
        group.first = static_cast<int32_t>(row);
        group.count = static_cast<int32_t>(starts[g + 1] - row);
        auto *numbers = run_array<double>(*run, keys.size());
        auto *texts = run_array<const char *>(*run, keys.size());
        for (size_t k = 0; k < keys.size(); ++k) {
            const Column &col = table.columns[keys[k].column];
            if (col.type == VarType::Numeric) {
                numbers[k] = is_missing(col.numbers[row]) ? missing_value() : col.numbers[row];
                continue;
            }
            numbers[k] = missing_value();
            std::string text = col.texts[row];
            text.resize(std::max(text.size(), static_cast<size_t>(variables[k].length)), ' ');
            texts[k] = run_text(*run, text);
        }
        group.numbers = numbers;
        group.texts = texts;
        const std::string line = by_line(table, keys, row, shown.by_text());
        group.line = run_text(*run, line);
        group.heading = run_text(*run, by_heading(line));
    }
    *groups = out;
    return static_cast<int32_t>(group_count);
}

} // namespace quill::host
