// The runscad_path entry a benchmark run calls: this build's (its engine linked in, so that the
// kernels' instruction set can be chosen) or another build's, loaded from its libquill.so for a
// comparison in the same process and on the same data.
#pragma once

#include <string>
#include <vector>

#include "quill/runscad.h"

namespace quill::bench {

using runscad_function = decltype(&runscad_path);

// This build's runscad_path.
runscad_function own_runscad();

// runscad_path from `build_folder`/libquill.so; nullptr with `error` set when it cannot be
// loaded. The library stays loaded for the life of the process.
runscad_function load_runscad(const std::string& build_folder, std::string& error);

// The struct entry, likewise.
using quill_fit_function = decltype(&quill_fit);
quill_fit_function own_quill_fit();
quill_fit_function load_quill_fit(const std::string& build_folder, std::string& error);

// The instruction sets this build's kernels can use here, the widest first, and the choice of
// one of them for this build's runs (an empty name: the one the engine measured quickest here
// again). Another build uses the set its own engine picks.
std::vector<std::string> own_instruction_sets();
bool use_own_instruction_set(const std::string& name);

}  // namespace quill::bench
