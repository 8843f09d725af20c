#include "steps/data_step/put_statement.h"

#include "base/number_text.h"

namespace quill::host {
namespace {

// One line being written: text placed at the pointer, which may move back over what is there.
class PutLine {
public:
    void place(std::string_view text)
    {
        if (line_.size() < pointer_ + text.size())
            line_.resize(pointer_ + text.size(), ' ');
        line_.replace(pointer_, text.size(), text);
        pointer_ += text.size();
    }
    void advance(size_t columns) { pointer_ += columns; }
    void column(size_t n) { pointer_ = n > 0 ? n - 1 : 0; }
    std::string take()
    {
        while (!line_.empty() && line_.back() == ' ')
            line_.pop_back();
        std::string done = std::move(line_);
        line_.clear();
        pointer_ = 0;
        return done;
    }

private:
    std::string line_;
    size_t pointer_ = 0;
};

std::string trimmed(std::string_view text)
{
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return std::string(text);
}

// A value as list output writes it: in its variable's format when it has one.
std::string list_value(const ExpressionSet &expressions, int node, const Row &values, const ValueFormat *fmt)
{
    if (expressions.type(node) == VarType::Character)
        return fmt ? shown_text(expressions.text(node, values), *fmt) : trimmed(expressions.text(node, values));
    return fmt ? shown_number(expressions.number(node, values), *fmt) : best_text(expressions.number(node, values));
}

const ValueFormat *format_of(const PutVariables &all, int slot)
{
    return all.formats && slot >= 0 ? (*all.formats)[static_cast<size_t>(slot)] : nullptr;
}

} // namespace

std::vector<std::string> put_lines(const std::vector<PutItem> &items, const ExpressionSet &expressions,
                                   const Row &values, const PutVariables &all)
{
    std::vector<std::string> lines;
    PutLine line;
    std::string formatted;
    for (const PutItem &item : items) {
        switch (item.kind) {
        case PutItem::Kind::Text: line.place(item.text); break;
        case PutItem::Kind::Value:
        case PutItem::Kind::Named:
        case PutItem::Kind::NamedFormatted: {
            const int slot = item.slot >= 0 ? item.slot : expressions.element_slot(item.node, values);
            if (slot < 0)
                break; // a subscript out of range: the step stops
            const ValueFormat *fmt = item.kind == PutItem::Kind::NamedFormatted ? &item.format : format_of(all, slot);
            const std::string value = list_value(expressions, item.node, values, fmt);
            line.place(item.kind == PutItem::Kind::Value ? value
                                                         : (*all.variables)[static_cast<size_t>(slot)].name + "=" + value);
            line.advance(1);
            break;
        }
        case PutItem::Kind::Formatted:
            if (item.format.character())
                put_text(expressions.text(item.node, values), item.format, formatted);
            else
                put_number(expressions.number(item.node, values), item.format, formatted);
            line.place(formatted);
            break;

        case PutItem::Kind::All:
            for (const bool automatic : {false, true})
                for (size_t i = 0; i < all.variables->size(); ++i) {
                    if (automatic ? !all.shown || !(*all.shown)[i] : (*all.automatic)[i])
                        continue;
                    const Variable &v = (*all.variables)[i];
                    const ValueFormat *fmt = format_of(all, static_cast<int>(i));
                    const std::string value = v.type == VarType::Numeric
                                                  ? (fmt ? shown_number(values.numbers[i], *fmt) : best_text(values.numbers[i]))
                                                  : (fmt ? shown_text(values.texts[i], *fmt) : trimmed(values.texts[i]));
                    line.place(v.name + "=" + value);
                    line.advance(1);
                }
            line.place("_ERROR_=" + best_text(values.numbers[static_cast<size_t>(all.error_slot)]) +
                       " _N_=" + best_text(values.numbers[static_cast<size_t>(all.n_slot)]));
            line.advance(1);
            break;
        case PutItem::Kind::NewLine: lines.push_back(line.take()); break;
        case PutItem::Kind::Column: line.column(static_cast<size_t>(item.amount)); break;
        case PutItem::Kind::Advance: line.advance(static_cast<size_t>(item.amount)); break;
        }
    }
    lines.push_back(line.take());
    return lines;
}

} // namespace quill::host
