// Data sets in quill's own binary format (.qds), the format of the WORK library: it keeps
// everything a data set has (names, types, declared lengths, labels, formats, informats and the
// sort order) and every value exactly, with no limit on the number of variables. A file is a
// header that describes the data set, then one fixed-width row per observation; a cursor reads
// the rows in large blocks, holding one block, and a sink writes them through one buffer into a
// temporary file that replaces the target when complete. The layout is in qds_layout.h.
#ifndef QUILL_HOST_DATA_QDS_QDS_STORE_H
#define QUILL_HOST_DATA_QDS_QDS_STORE_H

#include <filesystem>
#include <memory>
#include <string>

#include "data/format.h"

namespace quill::host {

const Format &qds_format();

// Opens and describes `file`; nullptr with `error` "The file F cannot be read as a quill data set
// (.qds): WHY." when it is not one, is damaged or cut short, or was written by a later quill.
std::unique_ptr<TableSource> open_qds_file(const std::filesystem::path &file, ReadMessages &messages,
                                           std::string &error);

// A sink that writes `file`; the member name is the file's.
std::unique_ptr<TableSink> create_qds_sink(const std::filesystem::path &file, const std::string &member);

} // namespace quill::host

#endif
