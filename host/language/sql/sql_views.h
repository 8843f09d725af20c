// The SQL views a run defines: CREATE VIEW keeps the statement, and each query that names the view
// reads it afresh, as the query it is, from the data sets as they are then.
#ifndef QUILL_HOST_LANGUAGE_SQL_SQL_VIEWS_H
#define QUILL_HOST_LANGUAGE_SQL_SQL_VIEWS_H

#include <map>
#include <string>
#include <vector>

#include "data/dataset_library.h"
#include "language/tokenizer.h"

namespace quill::host {

struct SqlViewDefinition {
    DatasetName name;
    std::vector<Token> statement; // CREATE VIEW ... AS query ;
};

class SqlViews {
public:
    const SqlViewDefinition *find(const DatasetName &name) const
    {
        const auto it = views_.find(key(name));
        return it == views_.end() ? nullptr : &it->second;
    }
    void define(SqlViewDefinition view) { views_[key(view.name)] = std::move(view); }
    bool drop(const DatasetName &name) { return views_.erase(key(name)) > 0; }

private:
    static std::string key(const DatasetName &name)
    {
        return name.libref.empty() ? name.location.string() : name.libref + "." + name.member;
    }
    std::map<std::string, SqlViewDefinition> views_;
};

} // namespace quill::host

#endif
