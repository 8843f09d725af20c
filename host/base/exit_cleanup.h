// What a stopped run must not leave behind: the temporary files of data sets and plots being
// written and the WORK folder. A signal that ends quill (SIGTERM, SIGINT, SIGHUP, SIGQUIT, a crash)
// removes them before the process ends with that signal; the log and the listing written so far
// are renamed into place instead, so that they show how far the run went, the log ending with a
// line that names the signal. The handler uses only calls that are safe in a signal handler, so
// the files to remove are registered ahead, as plain paths.
#ifndef QUILL_HOST_EXIT_CLEANUP_H
#define QUILL_HOST_EXIT_CLEANUP_H

#include <filesystem>

namespace quill::host::exit_cleanup {

// Installs the handlers; SIGPIPE is ignored, so a closed log or listing is a failed write.
void install();

// The log's descriptor: a signal that ends quill first writes there a last line naming it, so
// that the log says how the run ended. -1 (before the log is closed) forgets it.
void log_on_signal(int descriptor);

// The WORK folder to remove on a signal (one at a time); forget_folder clears it.
void remove_folder_on_signal(const std::filesystem::path &folder);
void forget_folder(const std::filesystem::path &folder);

// A temporary file to remove on a signal until it is renamed into place or removed; with
// `rename_to`, a file to rename to that name instead.
void track(const std::filesystem::path &file);
void track(const std::filesystem::path &file, const std::filesystem::path &rename_to);
void untrack(const std::filesystem::path &file);

} // namespace quill::host::exit_cleanup

#endif
