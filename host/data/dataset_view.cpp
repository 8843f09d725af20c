#include "data/dataset_view.h"

namespace quill::host {

DatasetView whole_view(std::shared_ptr<const TableSource> source)
{
    DatasetView view;
    view.variables = source->describe().variables;
    view.columns.resize(view.variables.size());
    for (size_t i = 0; i < view.columns.size(); ++i)
        view.columns[i] = i;
    view.source = std::move(source);
    return view;
}

void keep_variables(DatasetView &view, const std::vector<bool> &kept)
{
    size_t to = 0;
    for (size_t from = 0; from < view.variables.size(); ++from) {
        if (!kept[from])
            continue;
        if (to != from) { // a variable moved onto itself would lose its name
            view.columns[to] = view.columns[from];
            view.variables[to] = std::move(view.variables[from]);
        }
        ++to;
    }
    view.columns.resize(to);
    view.variables.resize(to);
}

bool read_view(const DatasetView &view, Table &table, std::string &error)
{
    if (!read_table(*view.source, view.columns, table, error))
        return false;
    for (size_t k = 0; k < table.columns.size(); ++k) // as the view names them (RENAME=)
        static_cast<Variable &>(table.columns[k]) = view.variables[k];
    return true;
}

} // namespace quill::host
