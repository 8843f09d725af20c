// The penalty as the listing, OUTINFO and the plots name it.
#ifndef QUILL_PROC_OUTPUT_PENALTY_TEXT_H
#define QUILL_PROC_OUTPUT_PENALTY_TEXT_H

#include <string>

#include "proc_run.h"
#include "shown_number.h"

namespace quill::proc {

inline const char *penalty_name(penalty_kind penalty) {
    switch (penalty) {
    case penalty_mcp: return "MCP";
    case penalty_lasso: return "LASSO";
    case penalty_scad: break;
    }
    return "SCAD";
}

// With its shape, which the lasso has none of: "SCAD (A = 3.7)", "MCP (A = 3)", "LASSO".
inline std::string penalty_text(const proc_options &options) {
    std::string text = penalty_name(options.penalty);
    if (options.penalty != penalty_lasso) text += std::string(" (A = ") + shown_number(options.scad_a).text + ")";
    return text;
}

} // namespace quill::proc

#endif
