#include "modules/run_context.h"

#include "api/grammar_descriptor.h"
#include "language/format_statement.h"
#include "language/output_options.h"
#include "modules/ods_tables.h"

namespace quill::host {
namespace {
RunContext *g_current_run = nullptr;
}

RunContext *current_run() { return g_current_run; }
void set_current_run(RunContext *run) { g_current_run = run; }

RunContext::RunContext(Session &session, std::string proc_name, std::vector<Token> step_tokens, int step_line)
    : titles(session.titles.size()), session_(session), proc_name_(std::move(proc_name)),
      step_tokens_(std::move(step_tokens)), step_line_(step_line),
      step_number_(++session.procedure_steps[proc_name_])
{
}

RunContext::~RunContext() = default;

qh_dataset *RunContext::open_input(const DatasetReference &ref, std::string &error)
{
    if (ref.is_null) {
        error = "_NULL_ cannot be read.";
        return nullptr;
    }
    auto ds = std::make_unique<qh_dataset>();
    if (!open_for_reading(ref, session_.library, log(), ds->input, error, session_.step_where))
        return nullptr;
    for (const std::vector<Token> &statement : session_.step_formats)
        if (!apply_format_statement(statement, session_.formats, ds->input.variables, error))
            return nullptr;
    ds->name = ref.name;
    ds->reference = ref;
    ds->mode = QH_DS_INPUT;
    datasets_.push_back(std::move(ds));
    return datasets_.back().get();
}

qh_dataset *RunContext::open_output(const DatasetReference &ref, std::string &error)
{
    error = output_options_problem(ref);
    if (!error.empty())
        return nullptr;
    auto ds = std::make_unique<qh_dataset>();
    ds->name = ref.name;
    ds->reference = ref;
    ds->mode = QH_DS_OUTPUT;
    ds->is_null = ref.is_null;
    datasets_.push_back(std::move(ds));
    return datasets_.back().get();
}

qh_dataset *RunContext::default_dataset(int mode, std::string &error)
{
    DatasetReference ref;
    if (mode == QH_DS_INPUT)
        return default_input(session_.library, ref, error) ? open_input(ref, error) : nullptr;
    ref.name = session_.library.default_output();
    return open_output(ref, error);
}

qh_record *RunContext::new_record(qh_dataset *ds, bool writing, int declared)
{
    auto rec = std::make_unique<qh_record>();
    rec->dataset = ds;
    rec->writing = writing;
    rec->declared = declared;
    records_.push_back(std::move(rec));
    if (!writing)
        ds->readers.push_back(records_.back().get());
    return records_.back().get();
}

bool RunContext::owns(const qh_dataset *ds) const
{
    for (const auto &d : datasets_)
        if (d.get() == ds)
            return true;
    return false;
}

bool RunContext::owns(const qh_record *rec) const
{
    for (const auto &r : records_)
        if (r.get() == rec)
            return true;
    return false;
}

qh_graphics_file *RunContext::new_graphics_file()
{
    graphics_files_.push_back(std::make_unique<qh_graphics_file>());
    return graphics_files_.back().get();
}

bool RunContext::owns(const qh_graphics_file *file) const
{
    for (const auto &f : graphics_files_)
        if (f.get() == file)
            return true;
    return false;
}

void RunContext::drop(qh_graphics_file *file)
{
    std::erase_if(graphics_files_, [file](const auto &f) { return f.get() == file; });
}

bool RunContext::commit(qh_record *rec)
{
    rec->released = true;
    rec->cursor.reset(); // a read record's buffers go now
    if (!rec->writing || !rec->definitions_ended || rec->dataset->is_null)
        return true;
    note_inputs();
    if (!rec->output->commit()) {
        rec->failed = true;
        return false;
    }
    return true;
}

void RunContext::note_inputs()
{
    for (const auto &ds : datasets_)
        if (ds->mode == QH_DS_INPUT && !ds->noted) {
            ds->noted = true;
            note_observations_read(log(), static_cast<long long>(ds->observations_read), ds->reference,
                                   session_.step_where);
        }
}

void RunContext::finish(int return_code)
{
    // A run that failed before it read anything has nothing to note.
    bool read = return_code == 0;
    for (const auto &ds : datasets_)
        read = read || ds->observations_read > 0;
    if (read)
        note_inputs();
    for (const auto &rec : records_) {
        if (!rec->writing || rec->released || !rec->definitions_ended || rec->failed)
            continue;
        if (return_code == 0) {
            commit(rec.get());
        } else {
            if (rec->output)
                rec->output->discard();
            log().warning("The data set " + rec->dataset->name.display +
                          " was not replaced because the step ended with errors.");
        }
    }
    write_ods_tables(*this);
    graphics_files_.clear();
    records_.clear();
    datasets_.clear();
    arena_.release();
}

} // namespace quill::host
