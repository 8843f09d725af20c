#include "data/output_dataset.h"

#include <cmath>

namespace quill::host {

OutputDataset::OutputDataset(DatasetLibrary &library, LogWriter &log, DatasetName name,
                             std::unique_ptr<OutputShape> shape)
    : library_(library), log_(log), name_(std::move(name)), shape_(std::move(shape))
{
}

std::string OutputDataset::written_name(const std::string &given) const
{
    if (!shape_)
        return given;
    for (size_t k = 0; k < columns_.size(); ++k)
        if (variables_[columns_[k]].name == given)
            return written_[k].name;
    return std::string();
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
    if (shape_) {
        if (!shape_->shape(variables_, written_, columns_, error))
            return fail(error);
        shaped_.resize(written_.size());
    }
    if (name_.in_transport_file && !library_.may_replace_transport_file(name_, error))
        return fail(error);
    sink_ = name_.format->create(name_.location, name_.member);
    error.clear();
    return sink_->define(written_variables(), error) || fail(error);
}

bool OutputDataset::write(Row &row)
{
    if (failed_ || !sink_)
        return false;
    if (shape_) {
        if (!shape_->keeps(row))
            return true;
        for (size_t k = 0; k < columns_.size(); ++k) {
            if (written_[k].type == VarType::Numeric)
                shaped_.numbers[k] = row.numbers[columns_[k]];
            else
                shaped_.texts[k] = row.texts[columns_[k]];
        }
    }
    Row &out = shape_ ? shaped_ : row;
    const std::vector<Variable> &variables = written_variables();
    for (size_t i = 0; i < variables.size(); ++i) {
        if (variables[i].type != VarType::Numeric || !std::isinf(out.numbers[i]))
            continue;
        if (!warned_infinite_)
            log_.warning("An infinite value of variable " + variables[i].name + " in data set " + name_.display +
                         " is written as a missing value.");
        warned_infinite_ = true;
        out.numbers[i] = missing_value();
    }
    ++observations_;
    std::string error;
    return sink_->write_row(out, error) || fail(error);
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
    library_.remember_metadata(name_, written_variables());
    library_.remember_label(name_, shape_ ? shape_->label() : std::string());
    log_.note("The data set " + name_.display + " has " + std::to_string(observations_) + " observations and " +
              std::to_string(written_variables().size()) + " variables.");
    return true;
}

void OutputDataset::discard()
{
    if (sink_)
        sink_->discard();
}

} // namespace quill::host
