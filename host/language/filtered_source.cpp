#include "language/filtered_source.h"

#include <algorithm>
#include <memory>

#include "base/names.h"
#include "language/expression.h"

namespace quill::host {
namespace {

struct Filter {
    ExpressionSet expressions;
    std::vector<int> conditions;
    std::vector<bool> reads; // the source columns the conditions read
    long long firstobs = 1, obs = -1;
};

class FilteredCursor : public RowCursor {
public:
    FilteredCursor(std::unique_ptr<RowCursor> inner, std::shared_ptr<Filter> filter)
        : inner_(std::move(inner)), filter_(std::move(filter))
    {
    }
    Step next(Row &row, std::string &error) override
    {
        for (;;) {
            if (filter_->obs >= 0 && passed_ >= filter_->obs)
                return Step::End;
            const Step step = inner_->next(row, error);
            if (step != Step::Row)
                return step;
            bool keep = true;
            for (int c : filter_->conditions)
                keep = keep && filter_->expressions.truth(c, row);
            if (!keep)
                continue;
            ++passed_;
            if (passed_ >= filter_->firstobs)
                return Step::Row;
        }
    }

private:
    std::unique_ptr<RowCursor> inner_;
    std::shared_ptr<Filter> filter_;
    long long passed_ = 0;
};

class FilteredSource : public TableSource {
public:
    FilteredSource(std::shared_ptr<const TableSource> inner, std::shared_ptr<Filter> filter)
        : inner_(std::move(inner)), filter_(std::move(filter))
    {
        description_.variables = inner_->describe().variables;
    }
    bool count(std::string &error)
    {
        const long long all = static_cast<long long>(inner_->describe().rows);
        if (filter_->conditions.empty()) {
            const long long last = filter_->obs < 0 ? all : std::min(all, filter_->obs);
            description_.rows = static_cast<size_t>(std::max(0LL, last - filter_->firstobs + 1));
            return true;
        }
        const std::unique_ptr<RowCursor> cursor = rows(std::vector<bool>(description_.variables.size(), false), error);
        if (!cursor)
            return false;
        Row row;
        row.resize(description_.variables.size());
        size_t rows = 0;
        for (RowCursor::Step step; (step = cursor->next(row, error)) != RowCursor::Step::End; ++rows)
            if (step == RowCursor::Step::Failed)
                return false;
        description_.rows = rows;
        return true;
    }
    const Description &describe() const override { return description_; }
    std::unique_ptr<RowCursor> rows(const std::vector<bool> &wanted, std::string &error) const override
    {
        std::vector<bool> read = wanted.empty() ? std::vector<bool>(description_.variables.size(), true) : wanted;
        for (size_t i = 0; i < read.size(); ++i)
            read[i] = read[i] || filter_->reads[i];
        std::unique_ptr<RowCursor> inner = inner_->rows(read, error);
        if (!inner)
            return nullptr;
        return std::make_unique<FilteredCursor>(std::move(inner), filter_);
    }

private:
    std::shared_ptr<const TableSource> inner_;
    std::shared_ptr<Filter> filter_;
    Description description_;
};

} // namespace

bool filter_view(DatasetView &view, const std::vector<Token> &where, const std::vector<Token> &extra_where,
                 long long firstobs, long long obs, std::string &error)
{
    auto filter = std::make_shared<Filter>();
    filter->firstobs = firstobs;
    filter->obs = obs;
    filter->expressions.set_event_limit(0);
    const std::vector<Variable> &all = view.source->describe().variables;
    filter->reads.assign(all.size(), false);
    Scope scope;
    scope.where = true;
    scope.find = [&](const std::string &name, const Token &) {
        for (size_t k = 0; k < view.variables.size(); ++k)
            if (same_name(view.variables[k].name, name)) {
                filter->reads[view.columns[k]] = true;
                return static_cast<int>(view.columns[k]);
            }
        return -1;
    };
    scope.variable = [&](int slot) -> const Variable & { return all[static_cast<size_t>(slot)]; };
    for (const std::vector<Token> *tokens : {&where, &extra_where}) {
        if (tokens->empty())
            continue;
        size_t pos = 0;
        int node = -1;
        if (!filter->expressions.parse(*tokens, pos, tokens->size(), scope, node, error))
            return false;
        if (pos < tokens->size() && tokens->at(pos).kind != TokenKind::Semicolon) {
            error = at_place("Syntax error in the WHERE expression: expected an operator, found \"" +
                                 tokens->at(pos).source + "\"",
                             tokens->at(pos));
            return false;
        }
        filter->conditions.push_back(filter->expressions.as_type(node, VarType::Numeric));
    }
    auto source = std::make_shared<FilteredSource>(view.source, std::move(filter));
    if (!source->count(error))
        return false;
    view.source = std::move(source);
    return true;
}

} // namespace quill::host
