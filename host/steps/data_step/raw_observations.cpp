// Raw lines into observations (raw_observations.h): split_raw_line and the observations the
// lines make, one at a time.
#include "steps/data_step/raw_observations.h"

namespace quill::host {

namespace {

bool is_blank_line(const std::string &line)
{
    return line.find_first_not_of(" \t") == std::string::npos;
}

void trim_blanks(std::string &text)
{
    const size_t last = text.find_last_not_of(' ');
    text.erase(last == std::string::npos ? 0 : last + 1);
    text.erase(0, std::min(text.size(), text.find_first_not_of(' ')));
}

} // namespace

std::vector<std::string> split_raw_line(const std::string &line, const RawLayout &layout, size_t most)
{
    std::vector<std::string> fields;
    if (is_blank_line(line))
        return fields;
    const std::string delimiters = !layout.delimiters.empty() ? layout.delimiters : layout.dsd ? "," : " \t";
    auto delimiter = [&](char c) { return delimiters.find(c) != std::string::npos; };
    size_t i = 0;
    if (!layout.dsd) { // a run of delimiters separates two values
        while (i < line.size() && fields.size() < most) {
            while (i < line.size() && delimiter(line[i]))
                ++i;
            const size_t start = i;
            while (i < line.size() && !delimiter(line[i]))
                ++i;
            if (i > start) {
                fields.push_back(line.substr(start, i - start));
                trim_blanks(fields.back());
            }
        }
        return fields;
    }
    // Each delimiter ends a value; a quoted value may hold delimiters and doubled quotes.
    while (fields.size() < most) {
        while (i < line.size() && line[i] == ' ' && !delimiter(' '))
            ++i;
        std::string value;
        if (i < line.size() && (line[i] == '"' || line[i] == '\'')) {
            const char quote = line[i++];
            for (; i < line.size(); ++i) {
                if (line[i] == quote && (i + 1 >= line.size() || line[i + 1] != quote)) {
                    ++i;
                    break;
                }
                if (line[i] == quote)
                    ++i;
                value += line[i];
            }
        }
        while (i < line.size() && !delimiter(line[i]))
            value += line[i++];
        trim_blanks(value);
        fields.push_back(std::move(value));
        if (i >= line.size())
            break;
        ++i; // a delimiter at the end of the line leaves an empty last value
    }
    return fields;
}


RawObservations::Got RawObservations::next(std::string &error)
{
    if (!records_ && !(records_ = text_.open(error)))
        return Got::Failed;
    if (!input_.plain)
        return next_by_layout(error);
    std::string line;
    while (read_line(line, error)) {
        taken_.clear();
        from_.clear();
        start_ = at_ - 1;
        line_values_ = take(line);
        if (line_values_ == 0 && layout_.short_lines != ShortLines::Missover)
            continue; // a blank line holds no values
        if (layout_.short_lines != ShortLines::Flowover)
            return Got::Observation;
        while (taken_.size() < width_ && read_line(line, error)) {
            went_to_new_line_ = true;
            take(line);
        }
        return !error.empty() ? Got::Failed : taken_.size() < width_ ? Got::LostCard : Got::Observation;
    }
    return error.empty() ? Got::End : Got::Failed;
}

// An observation as the layout reads it: its count of lines (#n, /). Column and formatted
// input past the end of a line read blanks; a list value past it is missing.
RawObservations::Got RawObservations::next_by_layout(std::string &error)
{
    lines_.resize(input_.lines);
    views_.resize(input_.lines);
    fields_by_layout_.resize(width_);
    while (read_line(lines_[0], error)) {
        start_ = at_ - 1;
        if (input_.lines == 1 && is_blank_line(lines_[0]) && layout_.short_lines != ShortLines::Missover)
            continue; // a blank line holds no values
        for (size_t j = 1; j < input_.lines; ++j)
            if (!read_line(lines_[j], error))
                return error.empty() ? Got::LostCard : Got::Failed;
        for (size_t j = 0; j < input_.lines; ++j)
            views_[j] = lines_[j];
        read_layout_record(input_, views_, layout_.delimiters, fields_by_layout_);
        taken_.resize(width_);
        from_.resize(width_);
        found_.assign(width_, 0);
        found_count_ = 0;
        for (size_t c = 0; c < width_; ++c) {
            LayoutField &field = fields_by_layout_[c];
            found_[c] = field.found;
            found_count_ += field.found ? 1 : 0;
            taken_[c] = std::move(field.text);
            from_[c] = start_ + field.line;
        }
        line_values_ = found_count_;
        return Got::Observation;
    }
    return error.empty() ? Got::End : Got::Failed;
}

// The next line of the range; the lines before FIRSTOBS= are passed over.
bool RawObservations::read_line(std::string &line, std::string &error)
{
    bool cut = false;
    for (; at_ < text_.end; ++at_) {
        if (!records_->next(line, cut, error))
            return false;
        if (at_ >= text_.first) {
            if (cut && first_cut_ == RawRecords::none)
                first_cut_ = at_ - text_.first;
            ++at_;
            return true;
        }
    }
    return false;
}

// The values of the line the observation still needs, and one more to tell a line that has
// too many; returns how many the line had, up to that.
size_t RawObservations::take(const std::string &line)
{
    fields_ = split_raw_line(line, layout_, width_ - taken_.size() + 1);
    for (size_t f = 0; f < fields_.size() && taken_.size() < width_; ++f) {
        taken_.push_back(std::move(fields_[f]));
        from_.push_back(at_ - 1);
    }
    return fields_.size();
}

} // namespace quill::host
