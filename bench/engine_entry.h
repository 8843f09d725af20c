// The runscad entry a benchmark run calls: this build's (linked in) or another build's, loaded
// from its libquill.so for a comparison in the same process and on the same data.
#pragma once

#include <string>

#include "quill/runscad.h"

namespace quill::bench {

using runscad_function = decltype(&runscad);

// This build's runscad.
runscad_function own_runscad();

// runscad from `build_folder`/libquill.so; nullptr with `error` set when it cannot be loaded.
// The library stays loaded for the life of the process.
runscad_function load_runscad(const std::string& build_folder, std::string& error);

}  // namespace quill::bench
