// Data sets stored as SAS files, read and written through ReadStat: .sas7bdat files (compressed or
// not, either byte order) and transport files (.xpt, version 5 or 8). ReadStat parses a file from
// start to end through callbacks, so a file is read whole when it is opened: the source then holds
// its values column by column and each cursor copies its rows from them. A damaged file is
// therefore found at once, before any step uses it.
//
// What is kept: numbers as doubles, every missing value (., .A to .Z, ._) as the host's one missing
// value, so the special missing values are not told apart; character values with the variable's
// declared length; variable labels and format names as metadata. Text in another encoding than
// UTF-8 (Latin-1, Windows-1252, ...) is converted to UTF-8, with a note naming the file's encoding,
// and a variable is as long as its longest value after conversion, so that no value is cut.
//
// What is refused when writing, before anything is replaced: a .sas7bdat file of 4096 or more
// variables (ReadStat's writer keeps the count in 16 bits, and the file would not read back), a
// text holding a NUL byte (both formats end a text there), and in a transport file a number beyond
// its range (about ±9E74). A number too close to zero for a transport file is written as 0, and a
// version 5 transport file whose last observations are all blank (every variable character and
// empty) loses them, each with a warning.
#ifndef QUILL_HOST_DATA_SAS_SAS_STORE_H
#define QUILL_HOST_DATA_SAS_SAS_STORE_H

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/format.h"

namespace quill::host {

const Format &sas7bdat_format();
const Format &xport_format();

// Opens and reads `file`; nullptr with `error` "The file F cannot be read as a SAS data set
// (.sas7bdat): WHAT READSTAT REPORTED." when it cannot be read whole (a damaged row count, a
// transport file cut short or not a whole number of 80-byte records). A transport file's first
// member is read; its name is the description's member.
std::unique_ptr<TableSource> open_sas7bdat_file(const std::filesystem::path &file, ReadMessages &messages,
                                                std::string &error);
std::unique_ptr<TableSource> open_xport_file(const std::filesystem::path &file, ReadMessages &messages,
                                             std::string &error);
// The member `member` of a transport file (any letter case); an error naming the members there is when
// the file holds no such member.
std::unique_ptr<TableSource> open_xport_member(const std::filesystem::path &file, const std::string &member,
                                               ReadMessages &messages, std::string &error);
// The names of a transport file's members, upper case, in order.
bool transport_member_names(const std::filesystem::path &file, std::vector<std::string> &names, std::string &error);

// Sinks that write a .sas7bdat file (uncompressed, 64-bit, little-endian, UTF-8) or a transport
// file holding `member` (version 5, or version 8 when a name is longer than 8 bytes, a label longer
// than 40, a format name longer than 8 or a text longer than 200; a version 8 file keeps its
// observation count, as SAS writes it). ReadStat needs the row count before the first row, so the
// rows are held until the commit, which writes a temporary file beside the target and renames it
// into place.
std::unique_ptr<TableSink> create_sas7bdat_sink(const std::filesystem::path &file, const std::string &member);
std::unique_ptr<TableSink> create_xport_sink(const std::filesystem::path &file, const std::string &member);

} // namespace quill::host

#endif
