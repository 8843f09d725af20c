// The macro functions that work on text alone: %SCAN, %SUBSTR, %UPCASE, %LOWCASE, %LENGTH,
// %INDEX, %LEFT, %TRIM, %CMPRES and their Q forms, on arguments already resolved. The plain
// forms return their result unquoted, the Q forms keep the quoting.
#ifndef QUILL_HOST_LANGUAGE_MACRO_FUNCTIONS_H
#define QUILL_HOST_LANGUAGE_MACRO_FUNCTIONS_H

#include <string>
#include <vector>

namespace quill::host {

struct MacroFunctionResult {
    bool known = false;   // the name is one of these functions
    std::string value;
    std::string error;    // an ERROR sentence; the value is then empty
    std::string warning;  // a WARNING sentence; the value stands
};

MacroFunctionResult apply_text_function(const std::string &name, const std::vector<std::string> &args);

// "Macro function %NAME has too few arguments." and its kin, or empty when the count fits.
std::string macro_argument_count_error(const std::string &name, size_t count, size_t least, size_t most);

} // namespace quill::host

#endif
