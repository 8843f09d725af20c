// The failure channel of every engine operation: an operation that fails appends its status
// line, any sentences explaining the failure and its location, then returns -1. Callers that
// fail because a callee failed append their own lines after the callee's, so a trail reads from
// the innermost failure outward.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::engine {

// Status codes and the line each adds (code 1000 adds none: its custom texts say it all).
enum status_code : int32_t {
    status_ok = 0,
    status_file_read_open = 1,
    status_file_write_open = 2,
    status_file_read = 3,
    status_file_write = 4,
    status_file_eof = 5,
    status_file_write_close = 6,
    status_file_read_close = 7,
    status_singular = 100,
    status_not_positive_definite = 101,
    status_division_by_zero = 102,
    status_log_nonpositive = 103,
    status_exp_too_large = 104,
    status_sqrt_negative = 105,
    status_allocation = 200,
    status_deallocation = 201,
    status_not_square = 300,
    status_not_conformable = 301,
    status_custom = 1000,
};

inline constexpr int trail_line_length = 80;

// Text of a status code's line; nullptr for status_custom.
const char* status_text(int32_t code);

class error_trail {
public:
    bool error_occurred() const { return error_occurred_; }
    // A status-200 line is in the trail: the failure is a shortage of memory, whatever the
    // operations above it go on to say.
    bool holds_allocation_failure() const { return allocation_failed_; }
    // Every line is exactly trail_line_length characters, blank-padded.
    const std::vector<std::string>& lines() const { return lines_; }

    // A text longer than a line continues on further lines (see error_trail.cpp).
    void add_line(std::string_view text);
    void mark_error() { error_occurred_ = true; }
    void mark_allocation_failure() { allocation_failed_ = true; }
    void reset();

private:
    bool error_occurred_ = false;
    bool allocation_failed_ = false;
    std::vector<std::string> lines_;
};

// Appends, in order and each only when given: the code's line, custom_1 .. custom_4,
// "FILE: " + file_name, "LINE: " + line_no, object_name, "OCCURRED IN: " + called_from.
void error_handle(error_trail& trail, int32_t code, const char* called_from = nullptr,
                  const char* file_name = nullptr, std::optional<int32_t> line_no = {},
                  const char* object_name = nullptr, const char* custom_1 = nullptr,
                  const char* custom_2 = nullptr, const char* custom_3 = nullptr,
                  const char* custom_4 = nullptr);

void error_add_line(std::string_view text, error_trail& trail);

// Joins the trail's lines into text[0 .. length): lines separated by the platform's line break
// ("UNIX" LF, "MAC" CR, otherwise CR LF), blank padding after the last. A given platform is
// remembered for later calls; without one the platform becomes "PC".
void error_message_text(const error_trail& trail, char* text, int length,
                        const char* platform = nullptr);

void error_reset(error_trail& trail);

// One-line failure reports for the common cases; each returns -1 so that a call site reads
// `return fail(trail, where, "...")`.
int fail(error_trail& trail, const char* where, const char* sentence);
int fail_status(error_trail& trail, int32_t code, const char* where,
                const char* object_name = nullptr);
// A caller's location line after a failing callee's lines (status 1000, no text).
int fail_after(error_trail& trail, const char* where);

}  // namespace quill::engine
