// Data sets stored as SAS files, read and written through ReadStat: .sas7bdat files (compressed or
// not, either byte order) and transport files (.xpt, version 5 or 8). ReadStat parses a file from
// start to end through callbacks, so a file is read whole when it is opened: the source then holds
// its values column by column and each cursor copies its rows from them. A damaged file is
// therefore found at once, before any step uses it.
//
// What is kept: numbers as doubles, every missing value (., .A to .Z, ._) as the host's one missing
// value, so the special missing values are not told apart; character values with the variable's
// declared length; variable labels and format names as metadata. Text in another encoding than
// UTF-8 (Latin-1, Windows-1252, ...) is converted to UTF-8, with a note naming the file's encoding.
#ifndef QUILL_HOST_DATA_SAS_SAS_STORE_H
#define QUILL_HOST_DATA_SAS_SAS_STORE_H

#include <filesystem>
#include <memory>
#include <string>

#include "data/format.h"

namespace quill::host {

// The longest character value either kind of file holds: 32767 bytes (a transport file of
// version 5 holds 200, its writer says so when a value is longer).
constexpr size_t sas_max_text_length = 32767;

const Format &sas7bdat_format();
const Format &xport_format();

// Opens and reads `file`; nullptr with `error` "The file F cannot be read as a SAS data set
// (.sas7bdat): WHAT READSTAT REPORTED." when it cannot be read whole. A transport file's first
// member is read; its name is the description's member.
std::unique_ptr<TableSource> open_sas7bdat_file(const std::filesystem::path &file, ReadMessages &messages,
                                                std::string &error);
std::unique_ptr<TableSource> open_xport_file(const std::filesystem::path &file, ReadMessages &messages,
                                             std::string &error);

// Sinks that write a .sas7bdat file (uncompressed, 64-bit, little-endian, UTF-8) or a transport
// file holding `member` (version 5, or version 8 when a name is longer than 8 bytes or a text longer
// than 200). ReadStat needs the row count before the first row, so the rows are held until the
// commit, which writes a temporary file beside the target and renames it into place.
std::unique_ptr<TableSink> create_sas7bdat_sink(const std::filesystem::path &file, const std::string &member);
std::unique_ptr<TableSink> create_xport_sink(const std::filesystem::path &file, const std::string &member);

} // namespace quill::host

#endif
