// The ODS statement: ODS OUTPUT table=data set ...; asks for tables a procedure of the next PROC
// step prints as data sets (ODS OUTPUT CLOSE or CLEAR withdraws the requests). Every other ODS
// destination only changes how output looks: a NOTE says the host does not run it.
#include "base/message_text.h"
#include "base/names.h"
#include "language/dataset_reference.h"
#include "language/output_options.h"
#include "steps/global_statements.h"

namespace quill::host {
namespace {

// name=ds name=ds ...: every pair checked before any is kept, so that a bad one keeps none.
bool read_requests(Session &session, const Statement &statement, std::vector<OdsOutputRequest> &requests)
{
    const auto &t = statement.tokens;
    const size_t end = t.size() - 1;
    for (size_t i = 2; i < end;) {
        if (t[i].kind != TokenKind::Name || i + 2 >= end || !is_punct(t[i + 1], '=')) {
            session.log.error(at_line("ODS OUTPUT takes table=data set pairs, such as ParameterEstimates=estimates; " +
                                          quoted_excerpt(t[i].source) + " is not one",
                                      t[i].line));
            return false;
        }
        const size_t stop = dataset_tokens_end(t, i + 2, end);
        DatasetReference ref;
        std::string error;
        if (!parse_dataset_reference(t, i + 2, stop, session.library, ref, error) ||
            !(error = output_options_problem(ref)).empty()) {
            session.log.error(at_line(error, t[i].line));
            return false;
        }
        requests.push_back({t[i].text, std::vector<Token>(t.begin() + static_cast<std::ptrdiff_t>(i + 2),
                                                          t.begin() + static_cast<std::ptrdiff_t>(stop)),
                            t[i].line});
        i = stop;
    }
    return true;
}

} // namespace

void run_ods(Session &session, const Statement &statement)
{
    const auto &t = statement.tokens;
    if (t.size() < 3 || t[1].kind != TokenKind::Name || upper_case(t[1].text) != "OUTPUT") {
        run_not_supported(session, statement);
        return;
    }
    if (t.size() == 4 && t[2].kind == TokenKind::Name && (upper_case(t[2].text) == "CLOSE" || upper_case(t[2].text) == "CLEAR")) {
        session.ods_outputs.clear();
        return;
    }
    std::vector<OdsOutputRequest> requests;
    if (!read_requests(session, statement, requests))
        return;
    for (OdsOutputRequest &r : requests) {
        // A later request for a table replaces an earlier one.
        std::erase_if(session.ods_outputs, [&](const OdsOutputRequest &o) { return same_name(o.table, r.table); });
        session.ods_outputs.push_back(std::move(r));
    }
}

} // namespace quill::host
