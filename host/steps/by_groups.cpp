#include "steps/by_groups.h"

#include "base/message_text.h"
#include "base/names.h"
#include "language/variable_lists.h"

namespace quill::host {

bool read_by_statement(Session &session, const Statement &statement, const std::vector<Variable> &variables,
                       std::vector<ByKey> &keys)
{
    const auto &t = statement.tokens;
    bool descending = false;
    for (size_t i = 1; i + 1 < t.size(); ++i) {
        if (t[i].kind == TokenKind::Name && upper_case(t[i].text) == "DESCENDING") {
            descending = true;
            continue;
        }
        std::vector<int> numbers;
        std::string error;
        if (!resolve_variable_list({t[i]}, variables, numbers, error)) {
            session.log.error(at_line(error, t[i].line));
            return false;
        }
        for (int n : numbers) {
            keys.push_back({static_cast<size_t>(n - 1), descending});
            descending = false;
        }
    }
    if (keys.empty() || descending) {
        session.log.error(at_line("BY needs variables: BY <DESCENDING> var ...;", statement.line()));
        return false;
    }
    return true;
}

} // namespace quill::host
