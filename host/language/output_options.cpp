#include "language/output_options.h"

#include "base/names.h"
#include "language/expression.h"
#include "language/variable_lists.h"

namespace quill::host {
namespace {

class OptionShape : public OutputShape {
public:
    explicit OptionShape(const DatasetReference &ref) : ref_(ref) {}

    bool shape(const std::vector<Variable> &given, std::vector<Variable> &written, std::vector<size_t> &columns,
               std::string &error) override
    {
        std::vector<bool> kept(given.size(), !ref_.has_keep);
        if (!mark(ref_.keep, ref_.has_keep, true, given, kept, error) ||
            !mark(ref_.drop, ref_.has_drop, false, given, kept, error))
            return false;
        written.clear();
        columns.clear();
        for (size_t i = 0; i < given.size(); ++i)
            if (kept[i]) {
                written.push_back(given[i]);
                columns.push_back(i);
            }
        if (written.empty()) {
            error = "The options of the output data set " + ref_.name.display + " leave it no variable.";
            return false;
        }
        if (!apply_renames(ref_.renames, written, error))
            return false;
        return ref_.where.empty() || parse_where(given, written, columns, error);
    }

    bool keeps(const Row &given) override { return condition_ < 0 || where_.truth(condition_, given); }
    const std::string &label() const override { return ref_.label; }

private:
    static bool mark(const std::vector<Token> &list, bool given_list, bool keep, const std::vector<Variable> &given,
                     std::vector<bool> &kept, std::string &error)
    {
        if (!given_list)
            return true;
        std::vector<int> numbers;
        if (!resolve_variable_list(list, given, numbers, error))
            return false;
        for (int n : numbers)
            kept[static_cast<size_t>(n - 1)] = keep;
        return true;
    }

    // The condition over the writer's observation: a name is a variable the writer gives, else a
    // new name of RENAME=.
    bool parse_where(const std::vector<Variable> &given, const std::vector<Variable> &written,
                     const std::vector<size_t> &columns, std::string &error)
    {
        where_.set_event_limit(0);
        Scope scope;
        scope.where = true;
        scope.find = [&](const std::string &name, const Token &) {
            for (size_t i = 0; i < given.size(); ++i)
                if (same_name(given[i].name, name))
                    return static_cast<int>(i);
            for (size_t k = 0; k < written.size(); ++k)
                if (same_name(written[k].name, name))
                    return static_cast<int>(columns[k]);
            return -1;
        };
        scope.variable = [&](int slot) -> const Variable & { return given[static_cast<size_t>(slot)]; };
        size_t pos = 0;
        int node = -1;
        if (!where_.parse(ref_.where, pos, ref_.where.size(), scope, node, error))
            return false;
        if (pos < ref_.where.size()) {
            error = at_place("Syntax error in the WHERE= expression: expected an operator, found \"" +
                                 ref_.where[pos].source + "\"",
                             ref_.where[pos]);
            return false;
        }
        condition_ = where_.as_type(node, VarType::Numeric);
        return true;
    }

    DatasetReference ref_;
    ExpressionSet where_;
    int condition_ = -1;
};

} // namespace

std::string output_options_problem(const DatasetReference &ref)
{
    if (ref.has_in)
        return std::string(in_option_misplaced) + ".";
    if (ref.firstobs != 1 || ref.obs != -1)
        return "FIRSTOBS= and OBS= apply to input data sets only.";
    return std::string();
}

std::unique_ptr<OutputShape> output_shape(const DatasetReference &ref)
{
    if (!ref.has_keep && !ref.has_drop && ref.renames.empty() && ref.where.empty() && ref.label.empty())
        return nullptr;
    return std::make_unique<OptionShape>(ref);
}

std::unique_ptr<OutputDataset> make_output(DatasetLibrary &library, LogWriter &log, const DatasetReference &ref)
{
    return std::make_unique<OutputDataset>(library, log, ref.name, output_shape(ref));
}

} // namespace quill::host
