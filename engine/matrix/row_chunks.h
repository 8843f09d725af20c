// The split of n rows into chunks for the row-parallel kernels: whole 256-row blocks, at least
// 1024 rows a chunk and at most 64 chunks (fewer when the caller keeps a large result per
// chunk). It depends on the data alone, never on the number of threads, so sums formed chunk by
// chunk and then combined in chunk order come out the same whoever runs the chunks.
#pragma once

#include <algorithm>

#include "matrix/cross_product_kernel.h"
#include "support/thread_team.h"

namespace quill::engine {

class row_chunks {
public:
    static constexpr int least_rows = 1024;
    static constexpr int most_chunks = 64;

    explicit row_chunks(int n, int chunk_limit = most_chunks) : n_(n) {
        constexpr int block = detail::cross_product_row_block;
        const long limit = std::clamp(chunk_limit, 1, most_chunks);
        const long wanted = std::max<long>(least_rows, (static_cast<long>(n) + limit - 1) / limit);
        rows_ = static_cast<int>((wanted + block - 1) / block * block);
        count_ = n > 0 ? static_cast<int>((static_cast<long>(n) + rows_ - 1) / rows_) : 0;
    }

    int count() const { return count_; }
    int first(int c) const { return c * rows_; }
    int end(int c) const { return std::min(n_, (c + 1) * rows_); }

    // Runs chunk(c, first row, end row) for every chunk: on the thread team when the work (about
    // `work_per_row` operations a row) pays for handing it out, else in order on this thread.
    template <class Chunk>
    void run(long work_per_row, Chunk&& chunk) const {
        const auto one = [&](int c) { chunk(c, first(c), end(c)); };
        if (static_cast<double>(work_per_row) * n_ >= parallel_work) {
            run_tasks(count_, one);
        } else {
            for (int c = 0; c < count_; ++c) one(c);
        }
    }

private:
    // Below this many operations a job is done sooner on one thread than handed out.
    static constexpr double parallel_work = 524288.0;

    int n_;
    int rows_;
    int count_;
};

}  // namespace quill::engine
