// %SYSFUNC(function(arguments) <, format>): runs a function of the DATA step's table on
// arguments written as macro text. An argument the function takes as a number must read as one;
// a number comes back as BEST12. writes it, without its leading blanks, unless a format is given.
#ifndef QUILL_HOST_LANGUAGE_MACRO_SYSFUNC_H
#define QUILL_HOST_LANGUAGE_MACRO_SYSFUNC_H

#include <string>

namespace quill::host {

struct SysfuncResult {
    std::string value;
    std::string error;   // an ERROR sentence
    std::string warning; // a WARNING sentence (an argument out of the function's range)
};

// `call` and `format` are unquoted text: "substr(abc, 2)", "date9." (or empty).
SysfuncResult call_sysfunc(const std::string &call, const std::string &format);

} // namespace quill::host

#endif
