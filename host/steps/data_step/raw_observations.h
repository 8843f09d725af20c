// Raw lines into observations: a line split into its values (list input, DSD and delimiters),
// and the values of each observation gathered from its line or lines as the INPUT statement's
// layout and the INFILE options for short lines say, with the line each value came from.
#ifndef QUILL_HOST_STEPS_DATA_STEP_RAW_OBSERVATIONS_H
#define QUILL_HOST_STEPS_DATA_STEP_RAW_OBSERVATIONS_H

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "steps/data_step/datalines_input.h"
#include "steps/data_step/input_layout.h"

namespace quill::host {

// The observations of the lines, one at a time: the values of each (the first `width` of its
// line, and with FLOWOVER of the lines after it) and the line each was taken from.
class RawObservations {
public:
    enum class Got { Observation, End, LostCard, Failed };

    RawObservations(const RawText &text, const RawLayout &layout, const InputLayout &input, size_t width)
        : text_(text), layout_(layout), input_(input), width_(width)
    {
    }

    Got next(std::string &error);

    // The observation's c-th value ("." when its lines had none) and the line it came from.
    const std::string &value(size_t c) const { return found(c) ? taken_[c] : missing_; }
    bool found(size_t c) const { return c < taken_.size() && (input_.plain || found_[c]); }
    size_t line_of(size_t c) const { return c < from_.size() ? from_[c] : start_; }
    size_t start() const { return start_; }              // the observation's first line
    size_t line_values() const { return line_values_; }  // the values that line had, up to width + 1
    size_t taken() const { return input_.plain ? taken_.size() : found_count_; }
    size_t lines_read() const { return at_ - std::min(at_, text_.first); } // of the range
    bool went_to_new_line() const { return went_to_new_line_; }
    size_t first_cut() const { return first_cut_; }

private:
    // An observation as the layout reads it: its count of lines (#n, /). Column and formatted
    // input past the end of a line read blanks; a list value past it is missing.
    Got next_by_layout(std::string &error);
    // The next line of the range; the lines before FIRSTOBS= are passed over.
    bool read_line(std::string &line, std::string &error);
    // The values of the line the observation still needs, and one more to tell a line that has
    // too many; returns how many the line had, up to that.
    size_t take(const std::string &line);

    const RawText &text_;
    const RawLayout &layout_;
    const InputLayout &input_;
    const size_t width_;
    std::unique_ptr<RecordStream> records_;
    size_t at_ = 0; // the lines read from the first, FIRSTOBS= or not
    size_t start_ = 0, line_values_ = 0, first_cut_ = RawRecords::none;
    bool went_to_new_line_ = false;
    std::vector<std::string> fields_, taken_, lines_;
    std::vector<size_t> from_;
    std::vector<std::string_view> views_;
    std::vector<LayoutField> fields_by_layout_;
    std::vector<char> found_; // by the layout: whether the c-th value was found
    size_t found_count_ = 0;
    const std::string missing_ = ".";
};

} // namespace quill::host

#endif
