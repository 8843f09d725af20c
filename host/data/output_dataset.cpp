#include "data/output_dataset.h"

#include <cmath>

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

bool OutputDataset::create(std::vector<Variable> variables)
{
    for (const std::string &note : library_.prepare_output(name_.location))
        log_.note(note);
    variables_ = std::move(variables);
    std::string error;
    if (name_.in_transport_file && !library_.may_replace_transport_file(name_, error))
        return fail(error);
    sink_ = name_.format->create(name_.location, name_.member);
    error.clear();
    return sink_->define(variables_, error) || fail(error);
}

bool OutputDataset::write(Row &row)
{
    if (failed_ || !sink_)
        return false;
    for (size_t i = 0; i < variables_.size(); ++i) {
        if (variables_[i].type != VarType::Numeric || !std::isinf(row.numbers[i]))
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

bool OutputDataset::commit()
{
    if (failed_ || !sink_)
        return false;
    std::string error;
    if (!sink_->commit(error))
        return fail(error);
    library_.set_last(name_);
    library_.forget_sorted(name_);
    library_.remember_metadata(name_, variables_);
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
