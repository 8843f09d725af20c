#include "data/output_dataset.h"

#include <cmath>

#include "base/names.h"

namespace quill::host {

OutputDataset::OutputDataset(DatasetLibrary &library, LogWriter &log, DatasetName name)
    : library_(library), log_(log), name_(std::move(name))
{
}

bool OutputDataset::fail(const std::string &error)
{
    failed_ = true;
    if (sink_)
        sink_->discard();
    log_.error(error);
    return false;
}

bool OutputDataset::create(std::vector<Variable> variables, std::vector<std::string> sorted_by)
{
    for (const std::string &note : library_.prepare_output(name_.location))
        log_.note(note);
    variables_ = std::move(variables);
    warned_long_.assign(variables_.size(), 0);
    std::string error;
    if (name_.in_transport_file && !library_.may_replace_transport_file(name_, error))
        return fail(error);
    sink_ = name_.format->create(name_.location, name_.member);
    sink_->set_sorted_by(std::move(sorted_by));
    error.clear();
    return sink_->define(variables_, error) || fail(error);
}

bool OutputDataset::write(Row &row)
{
    if (failed_ || !sink_)
        return false;
    for (size_t i = 0; i < variables_.size(); ++i) {
        if (variables_[i].type == VarType::Character) {
            if (row.texts[i].size() > variables_[i].length)
                cut_text(i, row.texts[i]);
            continue;
        }
        if (!std::isinf(row.numbers[i]))
            continue;
        if (!warned_infinite_)
            log_.warning("An infinite value of variable " + variables_[i].name + " in data set " + name_.display +
                         " is written as a missing value.");
        warned_infinite_ = true;
        row.numbers[i] = missing_value();
    }
    ++observations_;
    std::string error;
    return sink_->write_row(row, error) || fail(error);
}

void OutputDataset::cut_text(size_t i, std::string &text)
{
    const Variable &v = variables_[i];
    if (!warned_long_[i])
        log_.warning("Values of " + v.name + " longer than its length " + std::to_string(v.length) + " are cut to it in data set " +
                     name_.display + ".");
    warned_long_[i] = 1;
    text.resize(utf8_prefix(text, v.length).size());
}

bool OutputDataset::commit()
{
    if (failed_ || !sink_)
        return false;
    std::string error;
    if (!sink_->commit(error))
        return fail(error);
    for (const std::string &warning : sink_->warnings())
        log_.warning(warning);
    library_.set_last(name_);
    if (!quiet_)
        log_.note("The data set " + name_.display + " has " + std::to_string(observations_) + " observations and " +
              std::to_string(variables_.size()) + " variables.");
    return true;
}

void OutputDataset::discard()
{
    if (sink_)
        sink_->discard();
}

} // namespace quill::host
