// Owned engine arrays and the non-owning views that kernels take.
//
// engine_array<T, Rank> is column-major with a lower bound and an extent per dimension and an
// allocated state; it frees in its destructor and is move-only. Element access is 1-based by
// default (through the lower bounds). Kernels take views: pointer, extents and leading
// dimension (matrices) or increment (vectors), 0-based, never allocating.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>

#include "fault_injector.h"
#include "large_pages.h"

namespace quill::engine {

template <class T, int Rank>
class engine_array {
    static_assert(Rank >= 1 && Rank <= 7);

public:
    engine_array() = default;
    engine_array(const engine_array&) = delete;
    engine_array& operator=(const engine_array&) = delete;
    engine_array(engine_array&&) noexcept = default;
    engine_array& operator=(engine_array&&) noexcept = default;

    bool allocated() const { return allocated_; }
    int extent(int d = 0) const { return extent_[d]; }
    int lower(int d = 0) const { return lower_[d]; }
    int upper(int d = 0) const { return lower_[d] + extent_[d] - 1; }
    std::size_t size() const { return size_; }
    T* data() { return data_.get(); }
    const T* data() const { return data_.get(); }

    // Allocates with the given bounds (negative extents count as 0); false when the memory
    // cannot be had (or the fault injector says so). Contents are not initialised.
    bool allocate(const std::array<int, Rank>& lower, const std::array<int, Rank>& extent) {
        release();
        if (fault_injector::next_allocation_fails()) return false;
        std::size_t total = 1;
        std::array<int, Rank> ext{};
        for (int d = 0; d < Rank; ++d) {
            ext[d] = extent[d] < 0 ? 0 : extent[d];
            const auto e = static_cast<std::size_t>(ext[d]);
            if (e != 0 && total > std::numeric_limits<std::size_t>::max() / sizeof(T) / e)
                return false;
            total *= e;
        }
        try {
            data_.reset(new T[total == 0 ? 1 : total]);
        } catch (const std::bad_alloc&) {
            return false;
        }
        advise_large_pages(data_.get(), total * sizeof(T));
        lower_ = lower;
        extent_ = ext;
        size_ = total;
        allocated_ = true;
        return true;
    }

    void release() {
        data_.reset();
        extent_.fill(0);
        lower_.fill(1);
        size_ = 0;
        allocated_ = false;
    }

    void fill(const T& value) {
        for (std::size_t i = 0; i < size_; ++i) data_[i] = value;
    }

    template <class... I>
    T& operator()(I... index) {
        return data_[offset(index...)];
    }
    template <class... I>
    const T& operator()(I... index) const {
        return data_[offset(index...)];
    }

private:
    template <class... I>
    std::size_t offset(I... index) const {
        static_assert(sizeof...(I) == Rank, "one index per dimension");
        const std::array<int, Rank> idx{static_cast<int>(index)...};
        std::size_t off = 0;
        std::size_t stride = 1;
        for (int d = 0; d < Rank; ++d) {
            assert(idx[d] >= lower_[d] && idx[d] <= upper(d));
            off += static_cast<std::size_t>(idx[d] - lower_[d]) * stride;
            stride *= static_cast<std::size_t>(extent_[d]);
        }
        return off;
    }

    std::unique_ptr<T[]> data_;
    std::array<int, Rank> lower_ = filled(1);
    std::array<int, Rank> extent_ = filled(0);
    std::size_t size_ = 0;
    bool allocated_ = false;

    static constexpr std::array<int, Rank> filled(int v) {
        std::array<int, Rank> a{};
        a.fill(v);
        return a;
    }
};

inline constexpr int engine_string_length = 80;
using engine_string = std::array<char, engine_string_length>;

template <int Rank> using int_array = engine_array<int32_t, Rank>;
template <int Rank> using dbl_array = engine_array<double, Rank>;
template <int Rank> using str_array = engine_array<engine_string, Rank>;
template <int Rank> using log_array = engine_array<bool, Rank>;

using int1 = int_array<1>;
using int2 = int_array<2>;
using dbl1 = dbl_array<1>;
using dbl2 = dbl_array<2>;
using log1 = log_array<1>;
using log2 = log_array<2>;

// ---- Views for kernels (0-based) ----

struct vector_cview {
    const double* data = nullptr;
    int size = 0;
    int inc = 1;

    vector_cview() = default;
    vector_cview(const double* d, int n, int increment = 1) : data(d), size(n), inc(increment) {}
    vector_cview(const dbl1& a) : data(a.data()), size(a.allocated() ? a.extent(0) : 0) {}
    double operator[](int i) const { return data[static_cast<std::ptrdiff_t>(i) * inc]; }
};

struct vector_view {
    double* data = nullptr;
    int size = 0;
    int inc = 1;

    vector_view() = default;
    vector_view(double* d, int n, int increment = 1) : data(d), size(n), inc(increment) {}
    vector_view(dbl1& a) : data(a.data()), size(a.allocated() ? a.extent(0) : 0) {}
    double& operator[](int i) const { return data[static_cast<std::ptrdiff_t>(i) * inc]; }
    operator vector_cview() const { return {data, size, inc}; }
};

struct matrix_cview {
    const double* data = nullptr;
    int rows = 0;
    int cols = 0;
    int ld = 0;

    matrix_cview() = default;
    matrix_cview(const double* d, int r, int c, int leading) : data(d), rows(r), cols(c), ld(leading) {}
    matrix_cview(const dbl2& a)
        : data(a.data()), rows(a.allocated() ? a.extent(0) : 0),
          cols(a.allocated() ? a.extent(1) : 0), ld(a.allocated() ? a.extent(0) : 0) {}
    const double* col(int j) const { return data + static_cast<std::ptrdiff_t>(j) * ld; }
    double operator()(int i, int j) const { return col(j)[i]; }
    // Columns [first, first + count) as a view.
    matrix_cview columns(int first, int count) const { return {col(first), rows, count, ld}; }
};

struct matrix_view {
    double* data = nullptr;
    int rows = 0;
    int cols = 0;
    int ld = 0;

    matrix_view() = default;
    matrix_view(double* d, int r, int c, int leading) : data(d), rows(r), cols(c), ld(leading) {}
    matrix_view(dbl2& a)
        : data(a.data()), rows(a.allocated() ? a.extent(0) : 0),
          cols(a.allocated() ? a.extent(1) : 0), ld(a.allocated() ? a.extent(0) : 0) {}
    double* col(int j) const { return data + static_cast<std::ptrdiff_t>(j) * ld; }
    double& operator()(int i, int j) const { return col(j)[i]; }
    matrix_view columns(int first, int count) const { return {col(first), rows, count, ld}; }
    operator matrix_cview() const { return {data, rows, cols, ld}; }
};

}  // namespace quill::engine
