// The simulation part of data_step_bench: a DATA step that draws 10^6 rows of random numbers
// (`do i = 1 to 1e6; x = rand('normal'); y = 1 + 2*x + rand('normal'); output; end;`), run by
// a build's `quill` in a child process, whose processor seconds (user and system) are counted;
// beside it the same loop without RAND, which a build without RAND also runs.
#pragma once

namespace quill::bench {

// data_step_bench --simulation [--against DIR] [--rounds N] [--rows N]: this build's quill (the
// one beside the benchmark) and, with --against, DIR/quill, interleaved round by round.
int simulation_bench(int argc, char **argv);

} // namespace quill::bench
