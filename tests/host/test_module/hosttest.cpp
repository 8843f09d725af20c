// PROC HOSTTEST: a tiny procedure module that exercises the host through the routine table only,
// as a real procedure does. It parses its statements with a grammar using every action kind and
// every variable-list form, reads its input data set (WORD TWICE: first with two records at once,
// then again), writes the log and listing, writes an output data set and ends with the return code
// the program asks for. HOSTTEST_RAISE=N in the
// environment raises signal N while the output data set is being written; HOSTTEST_PRINT_MB=N
// makes it write N MB of lines to standard output first, as an engine's trace would.
// Its statements are in hosttest_grammar.h.
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "api/module_interface.h"
#include "hosttest_grammar.h"

namespace {

using namespace hosttest;

const qh_interface_vector *g_vector = nullptr;
qh_routines g_host;

[[noreturn]] void end(int rc) { g_host.end_run(rc, 0); }

void proc_main()
{
    qh_parse_area area{};
    const char *debug = std::strstr(g_vector->debug_option, "TLKTDBG=");
    if (debug && debug[8] > '0' && debug[8] <= '9' && !g_vector->load_module("SASPROCD"))
        g_vector->log("%3zCannot load the SASPROCD module. Since this is a debug-only module, an attempt is made "
                      "to load SASPROCI instead.");
    qh_proci_entry proci = g_vector->load_module("SASPROCI");
    if (!proci) {
        g_vector->log("%1zCannot load the SASPROCI module. The user-written item cannot function without it.");
        g_vector->end_run(1012, 0);
    }
    proci(&g_host, &area);
    const qh_grammar grammar = build_grammar();
    g_host.parse(&grammar, 0, &area);
    if (area.status >= QH_PARSE_FAILED)
        end(3000);
    qh_statement *proc = area.proc_record;
    g_host.log("%8hHOSTTEST: a procedure that tests its host");
    if (const char *megabytes = std::getenv("HOSTTEST_PRINT_MB")) {
        const std::string line(1023, 'x');
        for (long i = 0, n = std::atol(megabytes) * 1024; i < n; ++i)
            std::puts(line.c_str());
    }

    if (QH_SLOT(proc, 4).specified)
        g_host.log("%3z Number %.17g", QH_SLOT(proc, 4).number);
    if (QH_SLOT(proc, 5).specified) {
        g_host.log("%3z Word [%s]", QH_SLOT(proc, 5).text);
        if (g_host.compare(QH_SLOT(proc, 5).text, "WARN", 4) == 0)
            g_host.log("%1z Warning: The word asks for a warning.");
        if (g_host.compare(QH_SLOT(proc, 5).text, "ERR", 3) == 0)
            g_host.log("%1zThe word asks for an error line.");
        if (g_host.compare(QH_SLOT(proc, 5).text, "THREADS", 7) == 0 && g_vector->version >= 2)
            g_host.log("%3z Thread limit %d", static_cast<int>(g_vector->thread_limit));
    }
    if (QH_FLAG(proc, 1))
        g_host.log("%3z VERBOSE is set.");

    qh_dataset *in = QH_SLOT(proc, 1).dataset;
    qh_var_info info;
    if (QH_SLOT(proc, 3).specified) {
        g_host.variable_info(in, QH_SLOT(proc, 3).var_numbers[0], &info);
        g_host.log("%3z One variable: %s", info.name);
    }

    // The VARS records, in order; their variables are read.
    std::vector<int32_t> vars;
    for (qh_statement *s = proc->next; s; s = s->next) {
        if (g_host.compare(s->name, "VARS", 4) != 0)
            continue;
        g_host.log("%3z VARS record with %d variables%s.", QH_SLOT(s, 1).var_count, QH_FLAG(s, 1) ? ", flagged" : "");
        for (int32_t i = 0; i < QH_SLOT(s, 1).var_count; ++i)
            vars.push_back(QH_SLOT(s, 1).var_numbers[i]);
    }
    double nobs = 0, nvars = 0;
    g_host.dataset_info(in, QH_INFO_OBS_COUNT, &nobs);
    g_host.dataset_info(in, QH_INFO_VAR_COUNT, &nvars);
    g_host.select_variables(in, QH_SELECT_VARIABLES, static_cast<int32_t>(vars.size()), vars.data(), nvars);

    const size_t k = vars.size();
    auto *numbers = static_cast<double *>(g_host.allocate(sizeof(double) * (k + 1)));
    auto *texts = static_cast<char *>(g_host.allocate(33 * (k + 1)));
    auto *sums = static_cast<double *>(g_host.allocate(sizeof(double) * (k + 1)));
    std::vector<int32_t> types(k);
    std::vector<std::string> names(k);
    // WORD TWICE: two records read the first variable together before the main pass.
    if (QH_SLOT(proc, 5).specified && g_host.compare(QH_SLOT(proc, 5).text, "TWICE", 5) == 0 && k > 0) {
        double values[2] = {0, 0}, sums[2] = {0, 0};
        long counts[2] = {0, 0};
        qh_record *pair[2] = {g_host.open_read(in, 1), g_host.open_read(in, 1)};
        for (int r = 0; r < 2; ++r) {
            g_host.bind_variable(pair[r], vars[0], 0, &values[r], 8, QH_BIND_NATIVE);
            g_host.end_binding(pair[r]);
        }
        while (g_host.read_next(in))
            for (int r = 0; r < 2; ++r)
                if (g_host.fetch(pair[r], 0) == 0) {
                    ++counts[r];
                    sums[r] += g_host.is_missing(values[r]) ? 0 : values[r];
                }
        g_host.log("%3z Two records read %ld and %ld observations, sums %g and %g.", counts[0], counts[1], sums[0],
                   sums[1]);
        g_host.release_record(pair[0]);
        g_host.release_record(pair[1]);
    }
    qh_record *reader = g_host.open_read(in, static_cast<int32_t>(k));
    for (size_t i = 0; i < k; ++i) {
        g_host.variable_info(in, vars[i], &info);
        types[i] = info.type;
        names[i].assign(info.name, static_cast<size_t>(info.name_length));
        if (info.type == QH_VAR_NUMERIC)
            g_host.bind_variable(reader, vars[i], 0, &numbers[i], 8, QH_BIND_NATIVE);
        else
            g_host.bind_variable(reader, vars[i], 0, texts + 33 * i, 32, QH_BIND_NATIVE);
    }
    g_host.end_binding(reader);
    long read = 0, missing = 0;
    while (g_host.read_next(in)) {
        g_host.fetch(reader, 0);
        ++read;
        for (size_t i = 0; i < k; ++i) {
            if (types[i] != QH_VAR_NUMERIC)
                continue;
            if (g_host.is_missing(numbers[i]))
                ++missing;
            else
                sums[i] += numbers[i];
        }
    }
    g_host.log("%3z %ld observations read of %.0f, %ld missing values.", read, nobs, missing);

    // The listing: a titled report with one line per variable.
    char title[256];
    g_host.fill(' ', title, sizeof title);
    const int32_t length = g_host.format_into(title, sizeof title, "%9tHOSTTEST -- Sums of %s", "the variables");
    g_host.title(0, nullptr, 0);
    g_host.title(1, title, length);
    g_host.list_begin_report();
    for (size_t i = 0; i < k; ++i) {
        if (types[i] != QH_VAR_NUMERIC)
            continue;
        g_host.list_text("%-12s", names[i].c_str());
        g_host.list_text("%10.3f", sums[i]);
        g_host.list_end_line();
    }
    g_host.list_end_line();

    // The output: N, SUM_<var> for each numeric variable, N again (the host renames it), WORD.
    if (QH_SLOT(proc, 2).dataset && (QH_SLOT(proc, 2).specified || QH_FLAG(proc, 1))) {
        qh_dataset *out = QH_SLOT(proc, 2).dataset;
        qh_record *writer = g_host.open_write(out, static_cast<int32_t>(k + 3));
        double count = static_cast<double>(read);
        auto define = [&](const char *name, const void *value, int32_t type, int32_t len) {
            char text[33];
            g_host.fill(' ', text, 32);
            text[32] = '\0';
            g_host.format_into(text, 33, "%s", name);
            g_host.remove_pattern(text, 32, " ");
            const int32_t n = static_cast<int32_t>(std::strlen(text));
            g_host.name_text(text, n, QH_TEXT_VALID_NAME);
            qh_var_def def{type, len, text, n, "BEST", 12};
            g_host.define_variable(writer, &def, 0, value, len);
        };
        define("N", &count, QH_VAR_NUMERIC, 8);
        for (size_t i = 0; i < k; ++i)
            if (types[i] == QH_VAR_NUMERIC)
                define(("SUM " + names[i]).c_str(), &sums[i], QH_VAR_NUMERIC, 8);
        define("N", &count, QH_VAR_NUMERIC, 8);
        define("WORD", QH_SLOT(proc, 5).text, QH_VAR_CHARACTER, 8);
        g_host.end_definitions(writer);
        g_host.write_record(writer, 0);
        g_host.write_dataset(out, 0);
        count = -1;
        g_host.write_record(writer, 0);
        g_host.write_dataset(out, 0);
        // HOSTTEST_RAISE=N: a signal arrives while the output is still being written.
        if (const char *signal_number = std::getenv("HOSTTEST_RAISE"))
            std::raise(std::atoi(signal_number));
        if (!QH_FLAG(proc, 2))
            g_host.release_record(writer);
    }
    g_host.release_record(reader);
    const int rc = QH_SLOT(proc, 6).specified ? static_cast<int>(QH_SLOT(proc, 6).number) : 0;
    if (rc == 3000)
        g_host.log("%1zThe program asked for return code 3000.");
    end(rc);
}

const qh_module_descriptor descriptor = {{'H', 'O', 'S', 'T', 'T', 'E', 'S', 'T'}, proc_main};
const qh_image_information image = {QH_IMAGE_INFORMATION_TAG, "9.00", "9.00.0001M060102", __DATE__, &descriptor};

} // namespace

extern "C" __attribute__((visibility("default"))) const qh_image_information *mcn_main(const qh_interface_vector *vector,
                                                                                       void *)
{
    g_vector = vector;
    return &image;
}
