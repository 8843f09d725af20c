// Error trail: status texts, line storage and the joining of lines into one message.
#include "error_trail.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace quill::engine {

namespace {

// The message formatter's platform, kept between calls (process-wide by design).
std::array<char, 5> current_platform = {'P', 'C', ' ', ' ', '\0'};

std::string_view trim_right(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

}  // namespace

const char* status_text(int32_t code) {
    switch (code) {
        case 0: return "No errors";
        case 1: return "File could not be opened for read-access";
        case 2: return "File could not be opened for write-access";
        case 3: return "Error in reading file";
        case 4: return "Error in writing to file";
        case 5: return "Error in reading file: EOR or EOF encountered";
        case 6: return "File open for write-access could not be closed";
        case 7: return "File open for read-access could not be closed";
        case 100: return "Matrix apparently singular";
        case 101: return "Matrix not positive definite";
        case 102: return "Attempted division by zero";
        case 103: return "Attempted logarithm of non-positive number";
        case 104: return "Argument to exp function too large";
        case 105: return "Attempted square root of negative number";
        case 200: return "Unable to allocate memory for object";
        case 201: return "Unable to deallocate memory for object";
        case 300: return "Non-square matrix encountered; square expected";
        case 301: return "Dimensions of matrix arguments not conformable";
        case 1000: return nullptr;
        default: return "Unknown error code.";
    }
}

// A text longer than a line continues on the next ones, broken at the last blank that fits
// (the blanks at the break are dropped) and cut only where a line's worth holds no blank, so
// that a sentence reaches the user whole.
void error_trail::add_line(std::string_view text) {
    const std::size_t width = trail_line_length;
    for (;;) {
        std::size_t length = std::min(text.size(), width);
        if (text.size() > width && text[width] != ' ') {
            const std::size_t blank = text.substr(0, width).rfind(' ');
            if (blank != std::string_view::npos) length = blank;
        }
        std::string line(text.substr(0, length));
        line.resize(width, ' ');
        lines_.push_back(std::move(line));
        text.remove_prefix(length);
        const std::size_t next = text.find_first_not_of(' ');
        if (next == std::string_view::npos) return;
        text.remove_prefix(next);
    }
}

void error_trail::reset() {
    lines_.clear();
    error_occurred_ = false;
    allocation_failed_ = false;
}

void error_add_line(std::string_view text, error_trail& trail) { trail.add_line(text); }

void error_handle(error_trail& trail, int32_t code, const char* called_from,
                  const char* file_name, std::optional<int32_t> line_no,
                  const char* object_name, const char* custom_1, const char* custom_2,
                  const char* custom_3, const char* custom_4) {
    trail.mark_error();
    if (code == status_allocation) trail.mark_allocation_failure();
    if (const char* text = status_text(code)) trail.add_line(text);
    for (const char* custom : {custom_1, custom_2, custom_3, custom_4})
        if (custom) trail.add_line(custom);
    if (file_name) trail.add_line("FILE: " + std::string(trim_right(file_name)));
    if (line_no) trail.add_line("LINE: " + std::to_string(*line_no));
    if (object_name) trail.add_line(object_name);
    if (called_from) trail.add_line("OCCURRED IN: " + std::string(trim_right(called_from)));
}

void error_message_text(const error_trail& trail, char* text, int length, const char* platform) {
    if (platform) {
        current_platform.fill(' ');
        current_platform[4] = '\0';
        std::memcpy(current_platform.data(), platform, std::min<size_t>(4, std::strlen(platform)));
    } else {
        std::memcpy(current_platform.data(), "PC  ", 4);
    }
    if (length <= 0) return;
    std::fill(text, text + length, ' ');
    const std::string_view plat(current_platform.data(), 4);
    const std::string_view line_break = plat == "UNIX" ? "\n" : plat == "MAC " ? "\r" : "\r\n";

    bool first = true;
    for (const std::string& line : trail.lines()) {
        const int k = static_cast<int>(trim_right(std::string_view(text, length)).size());
        if (length <= k + 3) break;
        int pos = k;
        if (!first) {
            for (char c : line_break)
                if (pos < length) text[pos++] = c;
        }
        first = false;
        const std::string_view body = trim_right(line);
        const size_t room = static_cast<size_t>(length - pos);
        std::memcpy(text + pos, body.data(), std::min(room, body.size()));
    }
}

void error_reset(error_trail& trail) { trail.reset(); }

int fail(error_trail& trail, const char* where, const char* sentence) {
    error_handle(trail, status_custom, where, nullptr, {}, nullptr, sentence);
    return -1;
}

int fail_status(error_trail& trail, int32_t code, const char* where, const char* object_name) {
    error_handle(trail, code, where, nullptr, {}, object_name);
    return -1;
}

int fail_after(error_trail& trail, const char* where) {
    error_handle(trail, status_custom, where);
    return -1;
}

}  // namespace quill::engine
