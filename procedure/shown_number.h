// A number as the procedure's messages show it: up to 15 significant digits, so that a value
// the user wrote reads back as written, and "." for the missing value; and a lambda as the
// listing shows it.
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

// A lambda as the listing shows it: four significant digits, so that a small lambda never
// reads as 0.0000.
struct lambda_text {
    char text[32];
    explicit lambda_text(double value) { std::snprintf(text, sizeof text, "%.4g", value); }
};

} // namespace quill::proc

#endif
