#include "data/output_dataset.h"

#include <cmath>

#include "base/names.h"

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

bool OutputDataset::create(std::vector<Variable> variables, std::vector<std::string> sorted_by)
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
    warned_long_.assign(written_variables().size(), 0);
    if (name_.in_transport_file && !library_.may_replace_transport_file(name_, error))
        return fail(error);
    sink_ = name_.format->create(name_.location, name_.member);
    sink_->set_sorted_by(written_order(sorted_by));
    if (shape_)
        sink_->set_label(shape_->label());
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
        if (variables[i].type == VarType::Character) {
            if (out.texts[i].size() > variables[i].length)
                cut_text(i, out.texts[i]);
            continue;
        }
        if (!std::isinf(out.numbers[i]))
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

// The sort order as the data set names its variables: the keys up to the first one the options
// leave out (the rows stay in order of those before it).
std::vector<std::string> OutputDataset::written_order(const std::vector<std::string> &sorted_by) const
{
    std::vector<std::string> order;
    for (const std::string &key : sorted_by) {
        const bool descending = key.rfind("DESCENDING ", 0) == 0;
        const std::string name = written_name(descending ? key.substr(11) : key);
        if (name.empty())
            break;
        order.push_back(descending ? "DESCENDING " + name : name);
    }
    return order;
}

void OutputDataset::cut_text(size_t i, std::string &text)
{
    const Variable &v = written_variables()[i];
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
    library_.set_last(name_);
    if (!quiet_)
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
