#include "data/memory_source.h"

namespace quill::host {
namespace {

class MemoryCursor : public RowCursor {
public:
    MemoryCursor(std::shared_ptr<const Table> table, std::vector<bool> wanted)
        : table_(std::move(table)), wanted_(std::move(wanted))
    {
    }
    Step next(Row &row, std::string &) override
    {
        if (row_ == table_->rows)
            return Step::End;
        for (size_t c = 0; c < table_->columns.size(); ++c) {
            if (!wanted_.empty() && !wanted_[c])
                continue;
            const Column &column = table_->columns[c];
            if (column.type == VarType::Numeric)
                row.numbers[c] = column.numbers[row_];
            else
                row.texts[c] = column.texts[row_];
        }
        ++row_;
        return Step::Row;
    }

private:
    std::shared_ptr<const Table> table_;
    std::vector<bool> wanted_;
    size_t row_ = 0;
};

class MemorySource : public TableSource {
public:
    explicit MemorySource(Table table) : table_(std::make_shared<const Table>(std::move(table)))
    {
        for (const Column &c : table_->columns)
            description_.variables.push_back(static_cast<const Variable &>(c));
        description_.rows = table_->rows;
    }
    const Description &describe() const override { return description_; }
    std::unique_ptr<RowCursor> rows(const std::vector<bool> &wanted, std::string &) const override
    {
        return std::make_unique<MemoryCursor>(table_, wanted);
    }

private:
    std::shared_ptr<const Table> table_;
    Description description_;
};

} // namespace

std::shared_ptr<const TableSource> memory_source(Table table)
{
    return std::make_shared<MemorySource>(std::move(table));
}

} // namespace quill::host
