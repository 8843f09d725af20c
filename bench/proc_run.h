// The large-file part of the benchmark: the synthetic data as a CSV data set, run through
// PROC QUILLFIT by a build's `quill` in a child process, which gives the wall time and the peak
// memory of the whole run (host, procedure and engine together).
#pragma once

#include <filesystem>
#include <string>

#include "synthetic_data.h"

namespace quill::bench {

// Writes the data as a CSV data set: columns x1 .. xp, then y, each value in its shortest
// exact form. False with `error` set when the file cannot be written.
bool write_csv(const std::filesystem::path& file, const synthetic_data& data, std::string& error);

// A PROC QUILLFIT program fitting y on x1 .. xp of `library`/`member`.csv, written to `program`.
bool write_program(const std::filesystem::path& program, const std::filesystem::path& library,
                   const std::string& member, int p, std::string& error);

struct child_run {
    bool ok = false;          // exited with status 0 or 1 (notes and warnings only)
    double seconds = 0.0;     // wall time
    double peak_mb = 0.0;     // largest resident set
    std::string error;
};

// Runs `build_folder`/quill on the program, its log and listing beside it.
child_run run_quill(const std::string& build_folder, const std::filesystem::path& program);

// The `--peak-of COMMAND ARGS...` mode: runs the command and prints its peak resident memory in
// kilobytes and its wall time in seconds; the exit status is the command's.
int peak_of(int argc, char** argv);

}  // namespace quill::bench
