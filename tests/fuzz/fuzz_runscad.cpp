// Fuzz target: runscad through its public header, with shapes, options and values taken from the
// input: NaN, infinities, huge and tiny numbers, constant and duplicate columns, grid sizes that
// do not match the option vector, and message buffers of any length down to none. Every array is
// exactly as long as the header says, so the sanitizers see any write past it. The error flag
// must be 0 or 0xFF; a failure's message must end with a 0 inside its buffer; a success must have
// finite results.
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "fuzz_scratch.h"
#include "quill/runscad.h"

namespace {

// Reads the input a byte at a time; past its end every byte is 0.
class Bytes {
public:
    Bytes(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    uint8_t next() { return pos_ < size_ ? data_[pos_++] : 0; }
    template <typename T, size_t N>
    T pick(const T (&choices)[N]) { return choices[next() % N]; }

private:
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
};

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

double value(Bytes &in)
{
    static const double special[] = {not_a_number, infinity, -infinity, 1e300, -1e300, 1e-300, 0.0, 1.0, -1.0};
    const uint8_t b = in.next();
    if (b < 24)
        return special[b % 9];
    return (static_cast<int>(b) - 140) / 16.0 + in.next() / 4096.0;
}

bool finite(const double *values, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (!std::isfinite(values[i]))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Bytes in(data, size);
    const int32_t n = in.next() % 40;
    const int32_t p = in.next() % 8;
    const int32_t model = in.pick({0, 1, 2, 3, -1});
    int32_t options[8] = {in.pick({0, 1, 2, -1}), in.pick({0, 1, 5}),     in.pick({0, 1, 3}),
                          in.pick({1, 2, 5, 20, 0, 1001, -3}), in.pick({1, 5, 50, 0, -1}), in.pick({0, 1}),
                          in.pick({0, 7}),       in.pick({0, 1, 2, 3})};
    const int32_t grid = in.next() % 4 == 0 ? in.pick({0, 1, 3, 1001, -2}) : options[3];
    const double tolerance = in.pick({1e-9, 1e-3, 0.0, -1.0, not_a_number, infinity, 1e300});
    double min_lambda = in.pick({-1.0, 0.0, 1e-3, 1.0, 1e6, not_a_number, infinity, -5.0});
    double max_lambda = in.pick({-1.0, 0.0, 1e-3, 1.0, 1e6, not_a_number, infinity, -5.0});
    const double a = in.pick({3.7, 2.0, 1.0, 0.0, not_a_number, 1e300});
    const int32_t msg_len = in.pick({3001, 0, 1, 2, 10, 80, 200, 1000});

    std::vector<double> x(static_cast<size_t>(n) * p), y(n), weights(n, 1.0);
    for (int32_t j = 0; j < p; ++j) {
        const uint8_t kind = in.next() % 8; // 0 constant, 1 a copy of the previous column, else values
        const double constant = value(in);
        for (int32_t i = 0; i < n; ++i) {
            double &cell = x[static_cast<size_t>(j) * n + i];
            cell = kind == 0 ? constant : kind == 1 && j > 0 ? x[static_cast<size_t>(j - 1) * n + i] : value(in);
        }
    }
    for (int32_t i = 0; i < n; ++i)
        y[i] = in.next() % 4 == 0 ? value(in) : in.next() % (model == 1 ? 2 : 6);
    std::vector<uint8_t> forcein(p);
    for (uint8_t &f : forcein)
        f = in.pick({0, 0, 1, 0xFF});

    const size_t grid_cells = grid > 0 && grid <= 1000 ? static_cast<size_t>(grid) * p : 0;
    std::vector<double> beta(p), se(p), path(grid_cells);
    std::vector<int32_t> message(msg_len);
    double intercept = 0, intercept_se = 0, lambda = 0, criterion = 0;
    int32_t simple_df = 0, df = 0, best = 0, iterations = 0;
    uint8_t converged = 0, at_max = 0, at_min = 0, error_flag = 0x5A;
    {
        fuzz::QuietOutput quiet;
        runscad(p, n, x.data(), y.data(), weights.data(), forcein.data(), options, grid, tolerance, &min_lambda,
                &max_lambda, model, a, beta.data(), &intercept, se.data(), &intercept_se, path.data(), &lambda,
                &criterion, &simple_df, &df, &best, &iterations, &converged, &at_max, &at_min, &error_flag, msg_len,
                message.data());
    }
    if (error_flag != 0 && error_flag != 0xFF)
        __builtin_trap();
    if (error_flag == 0xFF) {
        bool terminated = msg_len == 0;
        for (int32_t code : message)
            terminated = terminated || code == 0;
        if (!terminated)
            __builtin_trap();
    } else if (!finite(beta.data(), beta.size()) || !finite(se.data(), se.size()) || !finite(&intercept, 1) ||
               !finite(&intercept_se, 1) || !finite(&lambda, 1) || !finite(&criterion, 1)) {
        __builtin_trap();
    }
    return 0;
}
