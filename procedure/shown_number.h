// A number as the procedure's messages show it: up to 15 significant digits, so that a value
// the user wrote reads back as written, and "." for the missing value.
#ifndef QUILL_PROC_SHOWN_NUMBER_H
#define QUILL_PROC_SHOWN_NUMBER_H

#include <cstdio>

#include "host_link.h"

namespace quill::proc {

struct shown_number {
    char text[32];
    explicit shown_number(double value) {
        if (host().is_missing(value)) std::snprintf(text, sizeof text, ".");
        else std::snprintf(text, sizeof text, "%.15g", value);
    }
};

} // namespace quill::proc

#endif
