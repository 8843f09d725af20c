// The character-at-a-time CSV reader that the buffered one replaced, for comparison only.
#pragma once

#include <filesystem>
#include <string>

#include "table.h"

namespace quill::bench {

bool read_csv_file_previous(const std::filesystem::path &file, quill::host::Table &table, std::string &error);

}  // namespace quill::bench
