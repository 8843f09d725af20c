#include "engine_run.h"

#include <fcntl.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quill::bench {

namespace {

constexpr int32_t message_length = 3001;

// Sends standard output to /dev/null for the lifetime of the object: the engine's trace lines
// (it names each record it resets) are kept out of the tables. Another build may not know the
// option that silences them.
class quiet_standard_output {
public:
    quiet_standard_output() {
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        const int null_device = open("/dev/null", O_WRONLY);
        if (saved_ < 0 || null_device < 0 || dup2(null_device, STDOUT_FILENO) < 0) restore();
        if (null_device >= 0) close(null_device);
    }
    ~quiet_standard_output() { restore(); }
    quiet_standard_output(const quiet_standard_output&) = delete;
    quiet_standard_output& operator=(const quiet_standard_output&) = delete;

private:
    void restore() {
        if (saved_ < 0) return;
        std::fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
        saved_ = -1;
    }
    int saved_ = -1;
};

// The message as text: character codes up to the terminating 0, line breaks shown as " | ".
std::string message_text(const std::vector<int32_t>& codes) {
    std::string text;
    for (int32_t c : codes) {
        if (c == 0) break;
        if (c == '\r') continue;
        if (c == '\n') {
            text += " | ";
            continue;
        }
        text += static_cast<char>(c & 0xFF);
    }
    return text;
}

double process_cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// threads > 0: that many; 0: every core; below 0: QUILL_THREADS as the environment has it.
void use_threads(int threads) {
    if (threads > 0)
        setenv("QUILL_THREADS", std::to_string(threads).c_str(), 1);
    else if (threads == 0)
        unsetenv("QUILL_THREADS");
}

// 64-bit FNV-1a over the bytes of every output in a fixed order.
class output_hash {
public:
    template <class T>
    void add(const T* values, std::size_t count) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(values);
        for (std::size_t i = 0; i < count * sizeof(T); ++i) {
            value_ ^= bytes[i];
            value_ *= 0x100000001b3ull;
        }
    }
    template <class T>
    void add(const std::vector<T>& values) {
        add(values.data(), values.size());
    }
    template <class T>
    void add(const T& value) {
        add(&value, 1);
    }
    uint64_t value() const { return value_; }

private:
    uint64_t value_ = 0xcbf29ce484222325ull;
};

// The per-grid table runscad_path fills.
struct grid_table {
    std::vector<double> lambda, intercept, bic, aic, gcv, effective_df;
    std::vector<int32_t> simple_df, num_iter;
    std::vector<uint8_t> converged, fitted;

    explicit grid_table(int G)
        : lambda(G), intercept(G), bic(G), aic(G), gcv(G), effective_df(G), simple_df(G),
          num_iter(G), converged(G), fitted(G) {}
    // Ties, EBIC and CV are not hashed: older builds do not fill them.
    quill_grid_table view() {
        return {lambda.data(), intercept.data(), bic.data(), aic.data(), gcv.data(),
                effective_df.data(), simple_df.data(), num_iter.data(), converged.data(),
                fitted.data(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    }
};

}  // namespace

const char* fit_name(fit_kind f) {
    switch (f) {
        case fit_kind::lqa: return "default";
        case fit_kind::warm: return "warm";
        case fit_kind::lqa_centred: return "LQA-cy";
        case fit_kind::icm: return "ICM-cy";
    }
    return "?";
}

bool parse_fit(const std::string& s, fit_kind& f) {
    if (s == "lqa") f = fit_kind::lqa;
    else if (s == "warm") f = fit_kind::warm;
    else if (s == "lqa-centred") f = fit_kind::lqa_centred;
    else if (s == "icm") f = fit_kind::icm;
    else return false;
    return true;
}

int outcome::nonzero() const {
    return static_cast<int>(std::count(selected.begin(), selected.end(), true));
}

outcome fit(runscad_function entry, const synthetic_data& data, model m, int G, fit_kind f,
            int threads, bool with_table) {
    const int p = data.p;
    const std::vector<double> case_weights(data.n, 1.0);
    const std::vector<uint8_t> forcein(p, 0);
    // BIC, COUNT, G, max_iter 250; the algorithm, start rule and intercept mode as asked.
    const int32_t algorithm = f == fit_kind::icm ? 1 : 0;
    const int32_t start = f == fit_kind::warm ? 1 : 0;
    const int32_t intercept_mode = f == fit_kind::lqa || f == fit_kind::warm ? 0 : 1;
    const int32_t options[8] = {algorithm, 0, 0, G, 250, 0, start, intercept_mode};
    double min_lambda = -1.0, max_lambda = -1.0;
    std::vector<double> beta(p), se(p), path(static_cast<size_t>(G) * p);
    double intercept = 0.0, intercept_se = 0.0, lambda = 0.0, criterion = 0.0;
    int32_t simple_df = 0, df = 0, best = 0, iterations = 0;
    uint8_t converged = 0, at_max = 0, at_min = 0, error_flag = 0;
    std::vector<int32_t> message(message_length, 0);
    grid_table table(with_table ? G : 0);
    const quill_grid_table table_view = table.view();

    const char* previous = std::getenv("QUILL_THREADS");
    const std::string kept = previous ? previous : "";
    use_threads(threads);
    outcome o;
    {
        const quiet_standard_output quiet;
        const double cpu_begin = process_cpu_seconds();
        const auto begin = std::chrono::steady_clock::now();
        entry(p, data.n, data.x.data(), data.y.data(), case_weights.data(), forcein.data(),
              options, G, 1e-9, &min_lambda, &max_lambda, static_cast<int32_t>(m), 3.7,
              beta.data(), &intercept, se.data(), &intercept_se, path.data(), &lambda, &criterion,
              &simple_df, &df, &best, &iterations, &converged, &at_max, &at_min, &error_flag,
              message_length, message.data(), with_table ? &table_view : nullptr);
        o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        o.cpu_seconds = process_cpu_seconds() - cpu_begin;
    }
    if (previous)
        setenv("QUILL_THREADS", kept.c_str(), 1);
    else
        unsetenv("QUILL_THREADS");
    o.failed = error_flag != 0;
    if (o.failed) o.message = message_text(message);
    o.lambda = lambda;
    o.criterion = criterion;
    o.iterations = iterations;
    o.converged = converged != 0;
    for (double b : beta) o.selected.push_back(b != 0.0);
    if (!with_table) return o;

    output_hash h;
    h.add(error_flag);
    if (o.failed) {
        h.add(o.message.data(), o.message.size());
    } else {
        for (double v : {min_lambda, max_lambda, intercept, intercept_se, lambda, criterion}) h.add(v);
        for (int32_t v : {simple_df, df, best, iterations}) h.add(v);
        for (uint8_t v : {converged, at_max, at_min}) h.add(v);
        h.add(beta);
        h.add(se);
        h.add(path);
        h.add(table.lambda);
        h.add(table.intercept);
        h.add(table.bic);
        h.add(table.aic);
        h.add(table.gcv);
        h.add(table.effective_df);
        h.add(table.simple_df);
        h.add(table.num_iter);
        h.add(table.converged);
        h.add(table.fitted);
    }
    o.hash = h.value();
    for (int g = 0; g < G; ++g) {
        if (table.fitted[g] == 0) continue;
        o.passes += table.num_iter[g];
        ++o.fitted;
        for (int j = 0; j < p; ++j) o.path.push_back(path[static_cast<size_t>(j) * G + g]);
        o.intercepts.push_back(table.intercept[g]);
        o.bics.push_back(table.bic[g]);
    }
    return o;
}

}  // namespace quill::bench
