// The in-memory host of the procedure tests.
#include "fake_host.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "statements/statement_slots.h"

extern "C" const qh_image_information *mcn_main(const qh_interface_vector *vector, void *unused);

struct qh_dataset {
    bool output = false;
    std::string name;
};

struct qh_record {
    struct binding {
        int32_t var;
        void *buffer;
        int32_t length;
    };
    struct definition {
        std::string name;
        int32_t width;
        const void *value;
        int32_t text_length; // 0 for a numeric variable
    };
    qh_dataset *ds = nullptr;
    std::vector<binding> bindings;
    std::vector<definition> definitions;
    std::vector<double> pending;
    std::vector<std::string> pending_texts;
};

// A graphics file goes straight to its name: the safe write is the real host's business.
struct qh_graphics_file {
    std::FILE *stream = nullptr;
    std::string path;
};

namespace quill::proc::testing {

const double kMissing = std::numeric_limits<double>::quiet_NaN();

double written_dataset::value(std::size_t row, const std::string &name) const {
    for (std::size_t v = 0; v < names.size(); ++v)
        if (names[v] == name) return rows.at(row).at(v);
    throw std::out_of_range("no output variable " + name);
}

std::string written_dataset::text(std::size_t row, const std::string &name) const {
    for (std::size_t v = 0; v < names.size(); ++v)
        if (names[v] == name) return texts.at(row).at(v);
    throw std::out_of_range("no output variable " + name);
}

namespace {

struct end_of_run {
    int32_t code;
};

fake_host *g_host = nullptr;

} // namespace

struct fake_host::impl {
    std::vector<column> data;
    qh_dataset input{false, "WORK.INPUT"};
    std::vector<std::unique_ptr<qh_dataset>> output_sets;
    std::vector<std::unique_ptr<qh_record>> records;
    std::vector<std::unique_ptr<qh_graphics_file>> graphics_files;
    std::vector<std::unique_ptr<char[]>> arena;
    std::size_t cursor = 0;
    bool started = false;
    std::string current_line;
    qh_interface_vector vector{};
    // BY groups handed out: their values, lines and headings.
    std::vector<qh_by_group> groups;
    std::vector<std::vector<double>> group_numbers;
    std::vector<std::vector<std::string>> group_texts;
    std::vector<std::vector<const char *>> group_text_pointers;
    std::vector<std::string> group_lines, group_headings;
};

namespace {

fake_host::impl &st() { return *g_host->state; }
bool fails(const char *operation) { return g_host->failing_operation == operation; }

// "%1z" and friends lead a format; the rest is an ordinary printf format.
std::string render(const char *format, va_list args) {
    std::string prefix;
    // A class prefix is a digit and one of z, h, t; "%15s" is an ordinary conversion.
    if (format[0] == '%' && format[1] >= '0' && format[1] <= '9' &&
        (format[2] == 'z' || format[2] == 'h' || format[2] == 't')) {
        switch (format[1]) {
        case '1': prefix = "ERROR: "; break;
        case '2': prefix = "WARNING: "; break;
        case '3': prefix = "NOTE: "; break;
        default: break;
        }
        format += 3;
    }
    char buffer[8192];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    std::string text(buffer);
    if (prefix == "ERROR: ") {
        const std::size_t start = text.find_first_not_of(' ');
        if (start != std::string::npos && text.compare(start, 8, "Warning:") == 0)
            return "WARNING: " + text.substr(start + 8 + (text.size() > start + 8 && text[start + 8] == ' '));
    }
    return prefix + text;
}

void log_line(const char *format, ...) {
    va_list args;
    va_start(args, format);
    g_host->log.push_back(render(format, args));
    va_end(args);
}

void end_run_or_return(int32_t code, int32_t) {
    if (!g_host->end_run_returns) throw end_of_run{code};
}
// The C declaration promises that end_run does not return; the test host may break it.
const auto end_run = reinterpret_cast<decltype(qh_routines::end_run)>(end_run_or_return);

int parse(const qh_grammar *grammar, int32_t, qh_parse_area *area) {
    g_host->grammar = grammar;
    area->proc_record = g_host->proc();
    area->status = g_host->parse_status;
    return area->status;
}

int dataset_info(qh_dataset *, int32_t code, double *result) {
    if (fails("dataset_info")) return -1;
    if (code == QH_INFO_OBS_COUNT) *result = st().data.empty() ? 0.0 : static_cast<double>(
        st().data[0].type == QH_VAR_NUMERIC ? st().data[0].numbers.size() : st().data[0].texts.size());
    else if (code == QH_INFO_VAR_COUNT) *result = static_cast<double>(st().data.size());
    return 0;
}

int select_variables(qh_dataset *, int32_t code, int32_t, const int32_t *, double) {
    if (fails("select_variables")) return -1;
    return code == QH_SELECT_VARIABLES ? 0 : -1;
}

int variable_info(qh_dataset *, int32_t number, qh_var_info *info) {
    if (fails("variable_info")) return -1;
    const column &c = st().data.at(number - 1);
    info->type = c.type;
    std::memset(info->name, ' ', QH_NAME_LEN);
    std::memcpy(info->name, c.name.data(), c.name.size());
    info->name[QH_NAME_LEN] = '\0';
    info->name_length = static_cast<int32_t>(c.name.size());
    return 0;
}

qh_record *open_record(qh_dataset *ds) {
    st().records.push_back(std::make_unique<qh_record>());
    st().records.back()->ds = ds;
    return st().records.back().get();
}

qh_record *open_read(qh_dataset *ds, int32_t) {
    if (fails("open_read")) return nullptr;
    st().cursor = 0;
    st().started = false;
    return open_record(ds);
}

int bind_variable(qh_record *rec, int32_t var, int32_t, void *buffer, int32_t length, int32_t code) {
    if (code != QH_BIND_NATIVE || fails("bind_variable")) return -1;
    rec->bindings.push_back({var, buffer, length});
    return 0;
}

int end_binding(qh_record *) { return fails("end_binding") ? -1 : 0; }

std::size_t observation_count() {
    double n = 0;
    dataset_info(nullptr, QH_INFO_OBS_COUNT, &n);
    return static_cast<std::size_t>(n);
}

int read_next(qh_dataset *) {
    if (st().started) ++st().cursor;
    st().started = true;
    return st().cursor < observation_count();
}

int fetch(qh_record *rec, int32_t) {
    if (fails("fetch")) return -1;
    for (const qh_record::binding &b : rec->bindings) {
        const column &c = st().data.at(b.var - 1);
        if (c.type == QH_VAR_NUMERIC) {
            std::memcpy(b.buffer, &c.numbers.at(st().cursor), sizeof(double));
        } else {
            const std::string &text = c.texts.at(st().cursor);
            char *out = static_cast<char *>(b.buffer);
            std::memset(out, ' ', b.length);
            std::memcpy(out, text.data(), std::min<std::size_t>(text.size(), b.length));
        }
    }
    return 0;
}

int is_missing(double value) { return std::isnan(value); }
double missing_value(int32_t) { return kMissing; }

qh_record *open_write(qh_dataset *ds, int32_t) { return fails("open_write") ? nullptr : open_record(ds); }

int define_variable(qh_record *rec, const qh_var_def *def, int32_t, const void *value, int32_t) {
    if (fails("define_variable")) return -1;
    rec->definitions.push_back({std::string(def->name, def->name_length), def->format_width, value,
                                def->type == QH_VAR_CHARACTER ? def->length : 0});
    return 0;
}

int end_definitions(qh_record *rec) {
    if (fails("end_definitions")) return -1;
    written_dataset &out = g_host->outputs[rec->ds->name];
    out = written_dataset{};
    for (const auto &d : rec->definitions) {
        out.names.push_back(d.name);
        out.widths.push_back(d.width);
    }
    return 0;
}

int write_record(qh_record *rec, int32_t) {
    if (fails("write_record")) return -1;
    rec->pending.clear();
    rec->pending_texts.clear();
    for (const auto &d : rec->definitions) {
        // A character value is kept as its text without trailing blanks, beside a NaN.
        std::string text;
        if (d.text_length > 0) {
            text.assign(static_cast<const char *>(d.value), static_cast<std::size_t>(d.text_length));
            text.erase(text.find_last_not_of(' ') + 1);
        }
        rec->pending.push_back(d.text_length > 0 ? kMissing : *static_cast<const double *>(d.value));
        rec->pending_texts.push_back(text);
    }
    return 0;
}

int write_dataset(qh_dataset *ds, int32_t) {
    if (fails("write_dataset")) return -1;
    for (const auto &rec : st().records)
        if (rec->ds == ds && !rec->pending.empty()) {
            g_host->outputs[ds->name].rows.push_back(rec->pending);
            g_host->outputs[ds->name].texts.push_back(rec->pending_texts);
            rec->pending.clear();
        }
    return 0;
}

int release_record(qh_record *rec) {
    if (fails("release_record")) return -1;
    if (rec->ds->output) g_host->outputs[rec->ds->name].complete = true;
    return 0;
}

void list_text(const char *format, ...) {
    va_list args;
    va_start(args, format);
    st().current_line += render(format, args);
    va_end(args);
}
void list_end_line() {
    g_host->listing.push_back(st().current_line);
    st().current_line.clear();
}
void list_begin_report() {}

void title(int32_t number, const char *text, int32_t length) {
    if (number == 0) g_host->titles.clear();
    else g_host->titles.push_back(std::string(text, length));
}

int32_t format_into(char *buffer, int32_t size, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = render(format, args);
    va_end(args);
    const int32_t length = static_cast<int32_t>(std::min<std::size_t>(text.size(), size - 1));
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return length;
}

int compare(const char *a, const char *b, int32_t n) { return std::strncmp(a, b, n) == 0 ? 0 : 1; }
void fill(int ch, char *buffer, int32_t n) { std::memset(buffer, ch, n); }

void remove_pattern(char *text, int32_t length, const char *pattern) {
    const std::size_t plen = std::strlen(pattern);
    std::string s(text, length), out;
    for (std::size_t i = 0; i < s.size();) {
        if (s.compare(i, plen, pattern) == 0) i += plen;
        else out += s[i++];
    }
    out.resize(length, ' ');
    std::memcpy(text, out.data(), length);
}

void name_text(char *text, int32_t length, int32_t code) {
    if (code == QH_TEXT_TRIM) {
        int32_t end = length;
        while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\0')) --end;
        text[end] = '\0';
        return;
    }
    for (int32_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 'a' && c <= 'z') text[i] = static_cast<char>(c - 'a' + 'A');
        else if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) text[i] = '_';
    }
}

// Filled with bytes that make NaN doubles and negative counts, so that memory the procedure
// reads before it writes shows in its results.
void *allocate(size_t bytes) {
    ++g_host->allocations;
    st().arena.push_back(std::make_unique_for_overwrite<char[]>(bytes));
    std::memset(st().arena.back().get(), 0xFF, bytes);
    return st().arena.back().get();
}

// Frees the block, so that the sanitizers catch a procedure that uses memory it gave back.
void release(void *block) {
    auto &arena = st().arena;
    for (auto &owned : arena)
        if (owned.get() == block) owned.reset();
}

// Both names of a data set are its name here.
int32_t dataset_name(qh_dataset *ds, int32_t, char *buffer, int32_t size) {
    std::snprintf(buffer, size, "%s", ds->name.c_str());
    return static_cast<int32_t>(ds->name.size());
}

int32_t graphics_folder(char *buffer, int32_t size, int32_t *step) {
    *step = 1;
    std::snprintf(buffer, size, "%s", g_host->graphics_folder.c_str());
    return static_cast<int32_t>(g_host->graphics_folder.size());
}

// Failing operations report a full disk, as the real host would.
qh_graphics_file *open_graphics_file(const char *name, FILE **stream, char *reason, int32_t size) {
    ++g_host->graphics_files_opened;
    auto file = std::make_unique<qh_graphics_file>();
    file->path = g_host->graphics_folder + "/" + name;
    file->stream = fails("open_graphics_file") ? nullptr : std::fopen(file->path.c_str(), "w");
    if (file->stream == nullptr) {
        std::snprintf(reason, size, "%s", "No space left on device");
        return nullptr;
    }
    *stream = file->stream;
    st().graphics_files.push_back(std::move(file));
    return st().graphics_files.back().get();
}

// The plotting library has closed the stream by now.
int32_t close_graphics_file(qh_graphics_file *file, int32_t keep, char *reason, int32_t size) {
    if (keep != 0 && !fails("close_graphics_file")) return 0;
    std::remove(file->path.c_str());
    if (keep == 0) return 0;
    std::snprintf(reason, size, "%s", "No space left on device");
    return -1;
}

// Consecutive observations with the same BY values form a group; the order is not checked here
// (the real host's check is tested with it).
int32_t by_groups(qh_dataset *, int32_t count, qh_by_variable *variables, const qh_by_group **groups) {
    auto &s = st();
    s.groups.clear();
    s.group_numbers.clear();
    s.group_texts.clear();
    s.group_text_pointers.clear();
    s.group_lines.clear();
    s.group_headings.clear();
    const std::size_t n = observation_count();
    auto key = [&](std::size_t row) {
        std::string text;
        for (int32_t k = 0; k < count; ++k) {
            const column &c = s.data.at(variables[k].var_number - 1);
            char number[64];
            std::snprintf(number, sizeof number, "%g", c.type == QH_VAR_NUMERIC ? c.numbers.at(row) : 0.0);
            text += (k > 0 ? " " : "") + c.name + "=" + (c.type == QH_VAR_NUMERIC ? number : c.texts.at(row));
        }
        return text;
    };
    for (int32_t k = 0; k < count; ++k) {
        const column &c = s.data.at(variables[k].var_number - 1);
        variables[k].type = c.type;
        variables[k].length = c.type == QH_VAR_NUMERIC ? 8 : 12;
    }
    for (std::size_t row = 0; row < n; ++row) {
        if (row > 0 && key(row) == key(row - 1)) {
            ++s.groups.back().count;
            continue;
        }
        s.groups.push_back({static_cast<int32_t>(row), 1, nullptr, nullptr, nullptr, nullptr});
        s.group_lines.push_back(key(row));
        s.group_headings.push_back("--- " + key(row) + " ---");
        s.group_numbers.emplace_back();
        s.group_texts.emplace_back();
        for (int32_t k = 0; k < count; ++k) {
            const column &c = s.data.at(variables[k].var_number - 1);
            s.group_numbers.back().push_back(c.type == QH_VAR_NUMERIC ? c.numbers.at(row) : kMissing);
            std::string text = c.type == QH_VAR_NUMERIC ? std::string() : c.texts.at(row);
            text.resize(12, ' ');
            s.group_texts.back().push_back(text);
        }
    }
    for (std::size_t g = 0; g < s.groups.size(); ++g) {
        s.group_text_pointers.emplace_back();
        for (int32_t k = 0; k < count; ++k)
            s.group_text_pointers.back().push_back(variables[k].type == QH_VAR_NUMERIC ? nullptr
                                                                                       : s.group_texts[g][k].c_str());
        s.groups[g].numbers = s.group_numbers[g].data();
        s.groups[g].texts = s.group_text_pointers[g].data();
        s.groups[g].line = s.group_lines[g].c_str();
        s.groups[g].heading = s.group_headings[g].c_str();
    }
    *groups = s.groups.data();
    return static_cast<int32_t>(s.groups.size());
}

void proci_entry(qh_routines *table, qh_parse_area *area) {
    *table = qh_routines{parse, dataset_info, select_variables, variable_info, open_read,
                         bind_variable, end_binding, read_next, fetch, is_missing, missing_value,
                         open_write, define_variable, end_definitions, write_record,
                         write_dataset, release_record, log_line, list_text, list_end_line,
                         list_begin_report, title, format_into, compare, fill, remove_pattern,
                         name_text, allocate, end_run, dataset_name, graphics_folder, release,
                         open_graphics_file, close_graphics_file,
                         g_host->by_groups_available ? by_groups : nullptr,
                         nullptr,  // no variable_format: a host without formats
                         nullptr}; // no output_table: a host without ODS OUTPUT
    *area = qh_parse_area{};
}

qh_proci_entry load_module(const char *name) {
    if (std::strcmp(name, "SASPROCI") == 0 && g_host->sasproci_available) return proci_entry;
    if (std::strcmp(name, "SASPROCD") == 0 && g_host->sasprocd_available) return proci_entry;
    return nullptr;
}

} // namespace

fake_host::fake_host() : state(std::make_unique<impl>()) {
    g_host = this;
    proc_ = add_statement("QUILLFIT", kProcRecordSlots);
}

fake_host::~fake_host() { g_host = nullptr; }

void fake_host::set_data(std::vector<column> columns) { state->data = std::move(columns); }

int32_t fake_host::var(const std::string &name) const {
    for (std::size_t v = 0; v < state->data.size(); ++v)
        if (state->data[v].name == name) return static_cast<int32_t>(v + 1);
    throw std::out_of_range("no variable " + name);
}

qh_statement *fake_host::add_statement(const std::string &name, int32_t slots) {
    slots_.push_back(std::make_unique<std::vector<qh_param>>(slots));
    statements_.push_back(std::make_unique<qh_statement>());
    qh_statement *s = statements_.back().get();
    std::memset(s->name, ' ', QH_NAME_LEN);
    std::memcpy(s->name, name.data(), name.size());
    s->name[QH_NAME_LEN] = '\0';
    s->slot_count = slots;
    s->slots = slots_.back()->data();
    if (statements_.size() > 1) statements_[statements_.size() - 2]->next = s;
    return s;
}

void fake_host::set_vars(qh_statement *record, int slot, const std::vector<std::string> &names,
                         int32_t line) {
    numbers_.push_back(std::make_unique<std::vector<int32_t>>());
    for (const std::string &n : names) numbers_.back()->push_back(var(n));
    qh_param &p = QH_SLOT(record, slot);
    p.specified = 1;
    p.line = line;
    p.var_count = static_cast<int32_t>(names.size());
    p.var_numbers = numbers_.back()->data();
}

void fake_host::set_text(int slot, const std::string &text, int32_t line) {
    qh_param &p = QH_SLOT(proc_, slot);
    p.specified = 1;
    p.line = line;
    std::memset(p.text, ' ', QH_NAME_LEN);
    std::memcpy(p.text, text.data(), std::min<std::size_t>(text.size(), QH_NAME_LEN));
    p.text[QH_NAME_LEN] = '\0';
}

void fake_host::set_number(int slot, double value, int32_t line) {
    qh_param &p = QH_SLOT(proc_, slot);
    p.specified = 1;
    p.number = value;
    p.line = line;
}

void fake_host::set_flag(qh_statement *record, int flag) { record->flags |= QH_FLAG_BIT(flag); }

void fake_host::request_output(int slot, const std::string &name) {
    state->output_sets.push_back(std::make_unique<qh_dataset>());
    state->output_sets.back()->output = true;
    state->output_sets.back()->name = name;
    QH_SLOT(proc_, slot).specified = 1;
    QH_SLOT(proc_, slot).dataset = state->output_sets.back().get();
}

qh_statement *fake_host::model(const std::string &response, const std::vector<std::string> &predictors,
                               int32_t line) {
    qh_statement *m = add_statement("MODEL", kModelRecordSlots);
    set_vars(m, model_slot_response, {response}, line);
    set_vars(m, model_slot_predictors, predictors, line);
    return m;
}

int32_t fake_host::run() {
    QH_SLOT(proc_, slot_data).specified = 1;
    QH_SLOT(proc_, slot_data).dataset = &state->input;
    state->vector = qh_interface_vector{interface_version, debug_option.c_str(), load_module,
                                        log_line, end_run, thread_limit};
    const qh_image_information *image = mcn_main(&state->vector, nullptr);
    try {
        image->descriptor->proc_main();
    } catch (const end_of_run &end) {
        if (!state->current_line.empty()) list_end_line();
        return end.code;
    }
    throw std::logic_error("proc_main returned without ending the run");
}

bool fake_host::log_has(const std::string &text) const { return log_index(text) >= 0; }

int fake_host::log_index(const std::string &text) const {
    for (std::size_t i = 0; i < log.size(); ++i)
        if (log[i].find(text) != std::string::npos) return static_cast<int>(i);
    return -1;
}

bool fake_host::listing_has(const std::string &text) const {
    for (const std::string &line : listing)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

} // namespace quill::proc::testing
