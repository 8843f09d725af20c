// The values of raw lines read as a data set: the observations the lines make (raw_observations.h)
// read by their informats, or as plain numbers and texts, '.' a missing value. The lines are read
// twice, a line at a time: once before the step runs, for the notes about their values and the
// lengths of the texts, and again as the step's INPUT statement takes each observation.
#include <algorithm>
#include <cassert>
#include <cctype>
#include <string_view>

#include "base/memory_shortage.h"
#include "base/message_text.h"
#include "base/names.h"
#include "base/number_text.h"
#include "language/variable_lists.h"
#include "steps/data_step/datalines_input.h"
#include "steps/data_step/raw_observations.h"

namespace quill::host {
namespace {

constexpr int max_value_notes = 10;

// How each column's text becomes its value: by the informat the INPUT or INFORMAT statement gave
// it (column input's .d is the informat w.d over its columns), or as a plain number or text.
class ValueReaders {
public:
    explicit ValueReaders(const InputLayout &input)
    {
        for (const InputItem &item : input.items) {
            if (item.kind != InputItem::Kind::Value)
                continue;
            if (item.column >= informats_.size()) {
                informats_.resize(item.column + 1);
                has_.resize(item.column + 1, 0);
            }
            ValueFormat &informat = informats_[item.column];
            if (item.has_informat) {
                informat = item.informat;
                has_[item.column] = 1;
            }
            if (item.mode == InputItem::Mode::Columns && item.implied_decimals >= 0) {
                informat = ValueFormat();
                informat.kind = ValueFormat::Kind::Fixed;
                informat.width = static_cast<int>(item.last - item.first + 1);
                informat.decimals = item.implied_decimals;
                has_[item.column] = 1;
            }
        }
    }
    bool has(size_t c) const { return c < has_.size() && has_[c]; }
    // The text of column c read by its informat; false (a missing value) when it cannot be.
    bool number(size_t c, const std::string &field, double &value) const
    {
        const ValueFormat &informat = informats_[c];
        value = missing_value();
        // A list value is read whole, whatever the informat's width.
        if (informat.width > 0 && informat.kind != ValueFormat::Kind::User &&
            field.size() > static_cast<size_t>(informat.width)) {
            ValueFormat whole = informat;
            whole.width = static_cast<int>(field.size());
            return input_number(field, whole, value);
        }
        return input_number(field, informat, value);
    }
    bool text(size_t c, const std::string &field, std::string &out) const
    {
        return input_text(field, informats_[c], out);
    }

private:
    std::vector<ValueFormat> informats_;
    std::vector<char> has_;
};

} // namespace

size_t RawRecords::lines_through(long long observations) const
{
    if (observations <= 0)
        return 0;
    assert(observations > progress->observations - RawProgress::kept && observations <= progress->observations);
    return progress->lines_through[(observations - 1) % RawProgress::kept];
}

namespace {

// The notes about the values of the lines, and the longest text of each character column.
class RawValues {
public:
    RawValues(Session &session, const RawText &text, size_t max_text_length, const Table &table,
              const ValueReaders &readers)
        : session_(session), text_(text), max_text_(max_text_length), table_(table), readers_(readers),
          lengths_(table.columns.size(), 1), cut_(table.columns.size(), false),
          out_of_range_(table.columns.size(), false), underflow_(table.columns.size(), false)
    {
    }
    ~RawValues()
    {
        if (notes_ > max_value_notes)
            session_.log.note(std::to_string(notes_ - max_value_notes) + " more notes about data values are not shown.");
    }

    // "data line 5" or "line 5 of the infile 'scores.txt'".
    std::string where(size_t line) const
    {
        std::string text = text_.infile.empty() ? "data line " : "line ";
        text.append(std::to_string(text_.number_of_first + static_cast<long long>(line)));
        if (!text_.infile.empty())
            text.append(" of the infile ").append(text_.infile);
        return text;
    }
    // The same at the start of a sentence.
    std::string subject(size_t line) const
    {
        std::string text = where(line);
        if (text_.infile.empty())
            text.insert(0, "The ");
        else
            text[0] = 'L';
        return text;
    }

    void note(const std::string &text)
    {
        if (notes_++ < max_value_notes)
            session_.log.note(text);
    }

    // The notes a line with too few or too many values gets when no option says what it means.
    void count_notes(const RawObservations &observation, size_t width)
    {
        if (observation.line_values() > width)
            note(subject(observation.start()) + " has more values than the INPUT statement names; the extra ones "
                                                "are ignored.");
        if (observation.taken() < width)
            note(subject(observation.start()) + " has " + std::to_string(observation.taken()) + " of " +
                 std::to_string(width) + " values; the rest are missing.");
    }

    // Looks at the value of column c ("." when the line had none) read from line `line`, by its
    // informat when it has one and the value was found.
    void check(size_t c, const std::string &field, size_t line, bool found)
    {
        const Column &col = table_.columns[c];
        if (found && readers_.has(c)) {
            check_read(c, field, line);
            return;
        }
        if (col.type == VarType::Character) {
            const size_t length = field == "." ? 0 : field.size();
            if (length > max_text_ && !cut_[c]) {
                session_.log.warning("Values of " + col.name + " longer than " + std::to_string(max_text_) +
                                     " characters are cut to " + std::to_string(max_text_) + " (" + where(line) + ").");
                cut_[c] = true;
            }
            lengths_[c] = std::max(lengths_[c], std::min(length, max_text_));
            return;
        }
        double value = missing_value();
        const NumberText kind = field == "." || field.empty() ? NumberText::Number : read_number(field, value);
        if (kind == NumberText::NotNumber) {
            note("Invalid numeric value " + quoted_excerpt(field) + " for " + col.name + " in " + where(line) +
                 "; it is set to missing.");
        } else if (kind == NumberText::OutOfRange && !out_of_range_[c]) {
            session_.log.warning("The value " + quoted_excerpt(field) + " of " + col.name + " in " + where(line) +
                                 " is out of range; such values are set to missing.");
            out_of_range_[c] = true;
        } else if (kind == NumberText::Underflow && !underflow_[c]) {
            session_.log.note("The value " + quoted_excerpt(field) + " of " + col.name + " in " + where(line) +
                              " is too close to zero for a number; such values are read as 0.");
            underflow_[c] = true;
        }
    }

    size_t length(size_t c) const { return lengths_[c]; }

private:
    void check_read(size_t c, const std::string &field, size_t line)
    {
        const Column &col = table_.columns[c];
        std::string text;
        double value = 0;
        const bool read = col.type == VarType::Character ? readers_.text(c, field, text) : readers_.number(c, field, value);
        if (!read)
            note("Invalid data " + quoted_excerpt(field) + " for " + col.name + " in " + where(line) +
                 "; it is set to missing.");
        lengths_[c] = std::max(lengths_[c], std::min(text.size(), max_text_));
    }

    Session &session_;
    const RawText &text_;
    size_t max_text_;
    const Table &table_;
    const ValueReaders &readers_;
    std::vector<size_t> lengths_;
    std::vector<bool> cut_, out_of_range_, underflow_;
    int notes_ = 0;
};

class RawSource;

// The step's pass over the lines: each observation's values, as the first pass described them.
class RawCursor : public RowCursor {
public:
    RawCursor(std::shared_ptr<const RawSource> source, const RawText &text, const RawLayout &layout,
              const InputLayout &input, const ValueReaders &readers, const Description &description,
              std::shared_ptr<RawProgress> progress)
        : source_(std::move(source)), observations_(text, layout, input, description.variables.size()), text_(text),
          readers_(readers), description_(description), progress_(std::move(progress))
    {
        *progress_ = RawProgress();
    }

    Step next(Row &row, std::string &error) override
    {
        const RawObservations::Got got = observations_.next(error);
        if (got == RawObservations::Got::Failed)
            return Step::Failed;
        const bool observation = got == RawObservations::Got::Observation;
        if (observation != (progress_->observations < static_cast<long long>(description_.rows))) {
            error = (text_.infile.empty() ? std::string("The data lines") : "The infile " + text_.infile) +
                    " changed while the step read them.";
            return Step::Failed;
        }
        if (!observation)
            return Step::End;
        for (size_t c = 0; c < description_.variables.size(); ++c) {
            const std::string &field = observations_.value(c);
            if (observations_.found(c) && readers_.has(c)) {
                read_by_informat(c, field, row);
                continue;
            }
            if (description_.variables[c].type == VarType::Character) {
                // Cut to the variable's length, never inside a UTF-8 character.
                row.texts[c].assign(field == "." ? std::string_view()
                                                 : utf8_prefix(field, description_.variables[c].length));
                continue;
            }
            double value = missing_value(); // still missing unless it is read
            if (field != "." && !field.empty())
                read_number(field, value);
            row.numbers[c] = value;
        }
        const long long k = ++progress_->observations;
        progress_->lines_through[(k - 1) % RawProgress::kept] = observations_.lines_read();
        return Step::Row;
    }

private:
    void read_by_informat(size_t c, const std::string &field, Row &row)
    {
        if (description_.variables[c].type == VarType::Numeric) {
            readers_.number(c, field, row.numbers[c]);
            return;
        }
        if (!readers_.text(c, field, text_read_))
            text_read_.clear();
        row.texts[c].assign(std::string_view(text_read_).substr(0, description_.variables[c].length));
    }

    std::shared_ptr<const RawSource> source_; // which holds what the references below refer to
    RawObservations observations_;
    const RawText &text_;
    const ValueReaders &readers_;
    const Description &description_;
    std::string text_read_;
    std::shared_ptr<RawProgress> progress_;
};

class RawSource : public TableSource, public std::enable_shared_from_this<RawSource> {
public:
    RawSource(RawText text, const RawLayout &layout, const InputLayout &input, Description description,
              std::shared_ptr<RawProgress> progress)
        : text_(std::move(text)), layout_(layout), input_(input), readers_(input), description_(std::move(description)),
          progress_(std::move(progress))
    {
    }
    const Description &describe() const override { return description_; }
    std::unique_ptr<RowCursor> rows(const std::vector<bool> &, std::string &) const override
    {
        return std::make_unique<RawCursor>(shared_from_this(), text_, layout_, input_, readers_, description_,
                                           progress_);
    }

private:
    RawText text_;
    RawLayout layout_;
    InputLayout input_;
    ValueReaders readers_;
    Description description_;
    std::shared_ptr<RawProgress> progress_;
};

} // namespace

std::shared_ptr<const TableSource> raw_input_source(Session &session, const RawText &text, const RawLayout &layout,
                                                   const InputLayout &input, size_t max_text_length, const Table &table,
                                                   RawRecords &records)
{
    const size_t width = table.columns.size();
    Description description;
    {
        const ValueReaders readers(input);
        RawValues values(session, text, max_text_length, table, readers);
        RawObservations observations(text, layout, input, width);
        std::string error;
        for (RawObservations::Got got; (got = observations.next(error)) != RawObservations::Got::End;) {
            if (got == RawObservations::Got::Failed) {
                session.log.error(error);
                return nullptr;
            }
            if (got == RawObservations::Got::LostCard) {
                session.log.note(input.plain ? "LOST CARD. The values begun in " + values.where(observations.start()) +
                                                   " run out at the end of the data and make no observation."
                                             : "LOST CARD. The observation begun in " +
                                                   values.where(observations.start()) + " needs " +
                                                   std::to_string(input.lines) + " lines; the data end before them.");
                break;
            }
            if (layout.short_lines == ShortLines::Noted)
                values.count_notes(observations, width);
            for (size_t c = 0; c < width; ++c)
                values.check(c, observations.value(c), observations.line_of(c), observations.found(c));
            ++description.rows;
        }
        records.lines = observations.lines_read();
        records.went_to_new_line = observations.went_to_new_line();
        records.first_cut = observations.first_cut();
        description.variables.assign(table.columns.begin(), table.columns.end());
        // A text's length is its longest value, unless the statement gave it one.
        for (size_t c = 0; c < width; ++c)
            if (description.variables[c].type != VarType::Character)
                continue;
            else if (c < input.fixed_length.size() && input.fixed_length[c])
                description.variables[c].length = std::min(description.variables[c].length, max_text_length);
            else
                description.variables[c].length = values.length(c);
    }
    return std::make_shared<RawSource>(text, layout, input, std::move(description), records.progress);
}

} // namespace quill::host
