// Text as the log and the listing may carry it. Both often go to a terminal, which obeys control
// characters (ESC sequences retitle or clear it), so the bytes of data values and names that are
// C0 controls other than tab and form feed, or DEL, are shown as \xHH instead.
#ifndef QUILL_HOST_SHOWN_TEXT_H
#define QUILL_HOST_SHOWN_TEXT_H

#include <string>
#include <string_view>

namespace quill::host {

// `line` itself when it holds nothing to show differently, else its shown form built in `buffer`.
std::string_view shown_text(std::string_view line, std::string &buffer);

} // namespace quill::host

#endif
