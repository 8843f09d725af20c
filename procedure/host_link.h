// The procedure's only way to the host: the interface vector kept by mcn_main, the routine
// table filled when a run connects, and small helpers over them (run memory, ending the run).
#ifndef QUILL_PROC_HOST_LINK_H
#define QUILL_PROC_HOST_LINK_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "module_interface.h"
#include "routine_table.h"

namespace quill::proc {

enum return_code : int32_t { rc_complete = 0, rc_interface_missing = 1012, rc_error = 3000 };

void keep_interface_vector(const qh_interface_vector *vector);
const qh_interface_vector &interface_vector();
qh_routines &host();

[[noreturn]] void end_run(int32_t code);

// While a BY group is fitted, a problem of its data or its fit ends that group only: end_fit
// throws group_failed, the procedure's own exception, which the driver catches around the
// group. Otherwise, and for every failure of the host, the run ends.
struct group_failed {};
void set_group_running(bool running);
[[noreturn]] void end_fit(int32_t code);
// Run memory taken while a BY group runs belongs to the group: release_group_memory gives it
// back when the group is done, so that many groups take no more than the largest.
void release_group_memory();

// While a BY group runs, the procedure's log lines go through a counter of its errors and
// warnings, so that the driver can name the group below them.
void count_group_messages(bool on);
int32_t group_messages();

// Zeroed run memory for `count` objects of T; a size that cannot be served ends the run.
void *allocate_bytes(std::size_t count, std::size_t size);
template <typename T>
T *allocate_array(std::size_t count) {
    return static_cast<T *>(allocate_bytes(count, sizeof(T)));
}

// Run memory for `count` objects of T that the caller writes in full before reading any: a
// column-sized block is not filled only to be overwritten.
void *allocate_unfilled_bytes(std::size_t count, std::size_t size);
template <typename T>
T *allocate_unfilled(std::size_t count) {
    return static_cast<T *>(allocate_unfilled_bytes(count, sizeof(T)));
}

// Gives run memory back before the run ends (kept to the end when the host cannot take it).
void release_array(const void *block);

// Writes one error line and ends the run with the error code. The format is always one of the
// procedure's own literals; user text only ever travels as an argument.
template <typename... Args>
[[noreturn]] void fail(const char *format, Args... args) {
    host().log(format, args...);
    end_fit(rc_error);
}

// A data set's name from the host (code QH_DSNAME_DISPLAY or QH_DSNAME_LOCATION); empty when
// the host has no such operation.
std::string dataset_name(qh_dataset *ds, int32_t code);

// Ends the run with "The host could not <what>." unless a host operation succeeded. `what` is a
// format over the procedure's own literals, like fail's.
template <typename... Args>
void check_host(bool succeeded, const char *what, Args... args) {
    if (succeeded) return;
    if constexpr (sizeof...(Args) == 0) {
        host().log("%1zThe host could not %s.", what);
    } else {
        char text[160];
        std::snprintf(text, sizeof text, what, args...);
        host().log("%1zThe host could not %s.", text);
    }
    end_run(rc_error);
}

// Trailing blanks of a blank-filled text removed, into a zero-terminated copy.
struct trimmed {
    char text[QH_NAME_LEN + 1];
    explicit trimmed(const char *name) {
        std::size_t len = strnlen(name, QH_NAME_LEN);
        std::memcpy(text, name, len);
        while (len > 0 && text[len - 1] == ' ') --len;
        text[len] = '\0';
    }
};

} // namespace quill::proc

#endif
