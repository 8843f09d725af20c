// The statements of PROC SQL:
//   SELECT query | CREATE TABLE t AS query | CREATE TABLE t (column definitions) | CREATE TABLE t LIKE u
//   | CREATE VIEW v AS query | INSERT INTO t [(columns)] VALUES (...) ... | query | SET c=e, ... ...
//   | DELETE FROM t [alias] [WHERE e] | UPDATE t [alias] SET c=e, ... [WHERE e] | DROP TABLE|VIEW t, ...
//   | ALTER TABLE t ADD defs | DROP columns | MODIFY defs ... | DESCRIBE TABLE|VIEW t, ... | RESET options
//   | VALIDATE query | CONNECT TO x ... | DISCONNECT FROM x | EXECUTE (...) BY x
// and their queries:
//   query   -> term { UNION|EXCEPT|OUTER UNION [ALL] [CORR] term } [ORDER BY items]
//   term    -> primary { INTERSECT [ALL] [CORR] primary }
//   primary -> SELECT [DISTINCT] items [INTO targets] [FROM tables] [WHERE e] [GROUP BY e, ...] [HAVING e]
//              | ( query )
// where a table of FROM may also be CONNECTION TO x (...): the pass-through statements are read
// only so far as to name the database system, which this host has none of.
#include "language/sql/sql_parser.h"

#include <algorithm>
#include <cctype>

#include "base/names.h"
#include "language/dataset_reference.h"
#include "language/expression.h"
#include "language/sql/sql_parser_state.h"

namespace quill::host {

bool sql_reserved(std::string_view name)
{
    static const char *const words[] = {"FROM", "WHERE", "GROUP", "HAVING", "ORDER", "INTO", "AS", "ON", "JOIN",
                                        "WHEN", "THEN", "ELSE", "END", "AND", "OR", "NOT", "UNION", "EXCEPT",
                                        "INTERSECT", "OUTER", "INNER", "FULL", "CROSS", "NATURAL", "SELECT",
                                        "BETWEEN", "LIKE", "IN", "IS", "CONTAINS", "EQ", "NE", "LT", "LE", "GT",
                                        "GE", "SEPARATED", "ESCAPE", "LEFT", "RIGHT", "DESC", "ASC", "SET",
                                        "VALUES", "TRIMMED", "NOTRIM", "THROUGH", "THRU", "ALL", "CORR",
                                        "CORRESPONDING", "BY", "DISTINCT", "UNIQUE", "LIMIT"};
    const std::string upper = upper_case(name);
    return std::any_of(std::begin(words), std::end(words), [&](const char *w) { return upper == w; });
}

// ---- tokens ----

bool SqlParser::word(std::string_view w, size_t ahead) const
{
    return pos_ + ahead < end_ && t_[pos_ + ahead].kind == TokenKind::Name && same_name(t_[pos_ + ahead].text, w);
}

bool SqlParser::take_punct(char c)
{
    if (!punct(c))
        return false;
    ++pos_;
    return true;
}

bool SqlParser::take_word(std::string_view w)
{
    if (!word(w))
        return false;
    ++pos_;
    return true;
}

bool SqlParser::expect_punct(char c) { return take_punct(c) || fail(std::string(1, c)); }
bool SqlParser::expect_word(std::string_view w) { return take_word(w) || fail(std::string(w)); }

bool SqlParser::name_here() const
{
    return more() && (t_[pos_].kind == TokenKind::NameLiteral ||
                      (t_[pos_].kind == TokenKind::Name && !sql_reserved(t_[pos_].text)));
}

std::string SqlParser::take_name()
{
    if (!name_here()) {
        fail("a name");
        return {};
    }
    return t_[pos_++].text;
}

bool SqlParser::fail(const std::string &expected)
{
    const Token &t = here();
    const std::string found = pos_ >= end_ ? "the end of the statement" : "\"" + t.source + "\"";
    return fail_at("Syntax error, expecting " + expected + ", found " + found, t);
}

bool SqlParser::fail_at(const std::string &message, const Token &at)
{
    if (error_.empty())
        error_ = at_place(message, at);
    return false;
}

bool SqlParser::enter()
{
    if (++depth_ <= max_sql_nesting)
        return true;
    --depth_;
    return fail_at("The statement is nested more than " + std::to_string(max_sql_nesting) + " levels deep", here());
}

// ---- statements ----

bool SqlParser::statement(SqlStatement &s)
{
    s.at = here();
    bool ok = false;
    if (word("SELECT") || punct('(')) {
        s.kind = SqlStatementKind::Select;
        ok = (s.query = query()) != nullptr;
    } else if (take_word("CREATE")) {
        ok = create(s);
    } else if (take_word("INSERT")) {
        ok = insert(s);
    } else if (take_word("DELETE")) {
        s.kind = SqlStatementKind::Delete;
        s.targets.emplace_back();
        ok = expect_word("FROM") && dataset_name(s.targets.back());
        if (ok && (take_word("AS") || name_here()))
            ok = !(s.alias = take_name()).empty();
        if (ok && take_word("WHERE"))
            ok = (s.where = expression()) != nullptr;
    } else if (take_word("UPDATE")) {
        s.kind = SqlStatementKind::Update;
        s.targets.emplace_back();
        ok = dataset_name(s.targets.back());
        if (ok && (take_word("AS") || name_here()))
            ok = !(s.alias = take_name()).empty();
        ok = ok && expect_word("SET") && assignments(s.set);
        if (ok && take_word("WHERE"))
            ok = (s.where = expression()) != nullptr;
    } else if (take_word("DROP") || take_word("DESCRIBE")) {
        const bool drop = same_name(t_[pos_ - 1].text, "DROP");
        const bool view = word("VIEW");
        if (!take_word("TABLE") && !take_word("VIEW"))
            return fail("TABLE or VIEW");
        s.kind = drop ? (view ? SqlStatementKind::DropView : SqlStatementKind::DropTable) : SqlStatementKind::Describe;
        s.describe_view = view;
        do {
            s.targets.emplace_back();
            ok = dataset_name(s.targets.back());
        } while (ok && take_punct(','));
    } else if (take_word("ALTER")) {
        ok = alter(s);
    } else if (take_word("RESET")) {
        s.kind = SqlStatementKind::Reset;
        s.options_begin = pos_;
        s.options_end = pos_ = end_;
        ok = true;
    } else if (take_word("VALIDATE")) {
        s.kind = SqlStatementKind::Validate;
        ok = (s.query = query()) != nullptr;
    } else if (word("CONNECT") || word("DISCONNECT") || word("EXECUTE")) {
        ok = pass_through(s);
    } else {
        return fail_at("Statement is not valid or it is used out of proper order", here());
    }
    if (ok && more())
        return fail(";");
    if (s.pass_through.text.empty())
        s.pass_through = pass_through_;
    return ok && !failed();
}

// CONNECT TO dbms [AS alias] [(options)] | CONNECT USING libref | DISCONNECT FROM name
// | EXECUTE (text) BY name: read as far as the name, which is all the step needs to say it
// cannot pass work on.
bool SqlParser::pass_through(SqlStatement &s)
{
    s.kind = SqlStatementKind::PassThrough;
    if (take_word("CONNECT")) {
        if (!take_word("USING") && !expect_word("TO"))
            return false;
    } else if (take_word("DISCONNECT")) {
        if (!expect_word("FROM"))
            return false;
    } else {
        ++pos_; // EXECUTE
        if (!punct('('))
            return fail("(");
        if (!skip_parenthesized() || !expect_word("BY"))
            return false;
    }
    if (!more() || here().kind != TokenKind::Name)
        return fail("a database system or connection name");
    s.pass_through = t_[pos_];
    pos_ = end_;
    return true;
}

// Past a parenthesized part whose text is another system's: its parentheses balanced.
bool SqlParser::skip_parenthesized()
{
    int open = 0;
    do {
        if (!more())
            return fail(")");
        open += punct('(') ? 1 : punct(')') ? -1 : 0;
        ++pos_;
    } while (open > 0);
    return true;
}

// FROM CONNECTION TO name (text) [AS alias]: a query another system would run.
bool SqlParser::connection_to(SqlTableRef &ref)
{
    pos_ += 2;
    if (!more() || here().kind != TokenKind::Name)
        return fail("a connection name");
    if (pass_through_.text.empty())
        pass_through_ = here();
    ++pos_;
    if (!punct('('))
        return fail("(");
    if (!skip_parenthesized())
        return false;
    if (take_word("AS") || name_here())
        ref.alias = take_name();
    return !failed();
}

bool SqlParser::create(SqlStatement &s)
{
    // An index only speeds up reading: the statement is taken and has no effect here.
    if (word("INDEX") || word("UNIQUE")) {
        s.kind = SqlStatementKind::CreateIndex;
        pos_ = end_;
        return true;
    }
    const bool view = word("VIEW");
    if (!take_word("TABLE") && !take_word("VIEW"))
        return fail("TABLE or VIEW");
    s.targets.emplace_back();
    SqlStatement::Target &target = s.targets.back();
    target.at = here();
    target.begin = pos_;
    if (!name_here() && here().kind != TokenKind::Compound && here().kind != TokenKind::String)
        return fail("a table name");
    ++pos_;
    // (KEEP=...) is the table's options; (a num, ...) its columns.
    if (punct('(') && !(pos_ + 2 < end_ && is_punct(t_[pos_ + 2], '='))) {
        target.end = pos_;
        if (view)
            return fail("AS");
        s.kind = SqlStatementKind::CreateTableColumns;
        ++pos_;
        do {
            s.columns.emplace_back();
            if (!column_definition(s.columns.back()))
                return false;
        } while (take_punct(','));
        return expect_punct(')');
    }
    pos_ = target.end = dataset_tokens_end(t_, target.begin, end_);
    if (!view && take_word("LIKE")) {
        s.kind = SqlStatementKind::CreateTableLike;
        return dataset_name(s.like);
    }
    s.kind = view ? SqlStatementKind::CreateView : SqlStatementKind::CreateTableAs;
    if (!expect_word("AS"))
        return false;
    s.query = query();
    return s.query != nullptr;
}

bool SqlParser::insert(SqlStatement &s)
{
    s.kind = SqlStatementKind::Insert;
    s.targets.emplace_back();
    if (!expect_word("INTO") || !dataset_name(s.targets.back()))
        return false;
    // INSERT INTO t (a, b): a column list, not data set options, when no '=' follows its first name.
    SqlStatement::Target &target = s.targets.back();
    if (target.end > target.begin + 1 && is_punct(t_[target.begin + 1], '(') &&
        !(target.begin + 3 < end_ && is_punct(t_[target.begin + 3], '=')))
        pos_ = target.end = target.begin + 1;
    if (punct('(') && !word("SELECT", 1)) {
        ++pos_;
        do {
            s.insert_column_at.push_back(here());
            s.insert_columns.push_back(take_name());
            if (s.insert_columns.back().empty())
                return false;
        } while (take_punct(','));
        if (!expect_punct(')'))
            return false;
    }
    if (word("VALUES")) {
        while (word("VALUES")) {
            s.values_at.push_back(t_[pos_++]);
            if (!expect_punct('('))
                return false;
            s.values.emplace_back();
            do {
                s.values.back().push_back(expression());
                if (!s.values.back().back())
                    return false;
            } while (take_punct(','));
            if (!expect_punct(')'))
                return false;
        }
        return true;
    }
    if (word("SET")) {
        while (take_word("SET")) {
            s.insert_sets.emplace_back();
            if (!assignments(s.insert_sets.back()))
                return false;
        }
        return true;
    }
    if (!word("SELECT") && !punct('('))
        return fail("VALUES, SET or SELECT");
    s.query = query();
    return s.query != nullptr;
}

bool SqlParser::alter(SqlStatement &s)
{
    s.kind = SqlStatementKind::AlterTable;
    s.targets.emplace_back();
    if (!expect_word("TABLE") || !dataset_name(s.targets.back()))
        return false;
    if (!word("ADD") && !word("DROP") && !word("MODIFY"))
        return fail("ADD, DROP or MODIFY");
    while (more()) {
        if (take_word("ADD") || take_word("MODIFY")) {
            auto &list = same_name(t_[pos_ - 1].text, "ADD") ? s.columns : s.modify;
            do {
                list.emplace_back();
                if (!column_definition(list.back()))
                    return false;
            } while (take_punct(','));
        } else if (take_word("DROP")) {
            do {
                s.drop_columns.push_back(here());
                if (take_name().empty())
                    return false;
            } while (take_punct(','));
        } else {
            return fail("ADD, DROP, MODIFY or ;");
        }
    }
    return true;
}

bool SqlParser::dataset_name(SqlStatement::Target &target)
{
    target.at = here();
    target.begin = pos_;
    const TokenKind kind = here().kind;
    if (!more() || !(name_here() || kind == TokenKind::Compound || kind == TokenKind::String))
        return fail("a table name");
    pos_ = target.end = dataset_tokens_end(t_, pos_, end_);
    return true;
}

// name type [(length)] [attributes]: NUM, NUMERIC, INT, INTEGER, SMALLINT, FLOAT, REAL, DOUBLE
// [PRECISION], DECIMAL/NUMERIC(p,s), DATE (a number written DATE9.), CHAR/CHARACTER/VARCHAR(n).
bool SqlParser::column_definition(SqlColumnDefinition &column)
{
    column.at = here();
    column.name = take_name();
    if (column.name.empty())
        return false;
    if (!more() || here().kind != TokenKind::Name)
        return fail("a column type");
    const std::string type = upper_case(t_[pos_++].text);
    static const char *const numbers[] = {"NUM", "NUMERIC", "INT", "INTEGER", "SMALLINT", "FLOAT", "REAL",
                                          "DOUBLE", "DECIMAL", "DATE"};
    if (type == "CHAR" || type == "CHARACTER" || type == "VARCHAR") {
        column.character = true;
        column.length = 8;
        if (take_punct('(')) {
            const Token &n = here();
            if (n.kind != TokenKind::Integer || n.number < 1 || n.number > 32767)
                return fail("a length from 1 to 32767");
            column.length = static_cast<size_t>(n.number);
            ++pos_;
            if (!expect_punct(')'))
                return false;
        }
    } else if (std::any_of(std::begin(numbers), std::end(numbers), [&](const char *w) { return type == w; })) {
        if (type == "DOUBLE")
            take_word("PRECISION");
        if (type == "DATE")
            column.attributes.format = "DATE9.";
        if (take_punct('(')) { // precision and scale: a number is a double whatever they say
            while (more() && !punct(')'))
                ++pos_;
            if (!expect_punct(')'))
                return false;
        }
    } else {
        --pos_;
        return fail("a column type (NUM or CHAR)");
    }
    return column_attributes(column.attributes);
}

bool SqlParser::assignments(std::vector<SqlAssignment> &set)
{
    do {
        SqlAssignment a;
        a.at = here();
        a.column = take_name();
        if (a.column.empty() || !expect_punct('='))
            return false;
        a.value = expression();
        if (!a.value)
            return false;
        set.push_back(std::move(a));
    } while (take_punct(','));
    return true;
}

// ---- queries ----

std::unique_ptr<SqlQuery> SqlParser::query()
{
    SqlNesting nesting(*this);
    if (!nesting.ok())
        return nullptr;
    auto left = query_term();
    while (left && (word("UNION") || word("EXCEPT") || (word("OUTER") && word("UNION", 1)))) {
        auto q = std::make_unique<SqlQuery>();
        q->at = here();
        q->op = word("EXCEPT") ? SqlSetOp::Except : word("OUTER") ? SqlSetOp::OuterUnion : SqlSetOp::Union;
        pos_ += q->op == SqlSetOp::OuterUnion ? 2 : 1;
        q->all = take_word("ALL");
        q->corresponding = take_word("CORR") || take_word("CORRESPONDING");
        q->all = take_word("ALL") || q->all;
        q->left = std::move(left);
        q->right = query_term();
        if (!q->right)
            return nullptr;
        left = std::move(q);
    }
    if (left && word("ORDER") && word("BY", 1)) {
        pos_ += 2;
        if (!order_by(left->order_by))
            return nullptr;
    }
    return left;
}

std::unique_ptr<SqlQuery> SqlParser::query_term()
{
    auto left = query_primary();
    while (left && word("INTERSECT")) {
        auto q = std::make_unique<SqlQuery>();
        q->at = t_[pos_++];
        q->op = SqlSetOp::Intersect;
        q->all = take_word("ALL");
        q->corresponding = take_word("CORR") || take_word("CORRESPONDING");
        q->all = take_word("ALL") || q->all;
        q->left = std::move(left);
        q->right = query_primary();
        if (!q->right)
            return nullptr;
        left = std::move(q);
    }
    return left;
}

std::unique_ptr<SqlQuery> SqlParser::query_primary()
{
    if (punct('(')) {
        SqlNesting nesting(*this);
        if (!nesting.ok())
            return nullptr;
        ++pos_;
        auto inner = query();
        return inner && expect_punct(')') ? std::move(inner) : nullptr;
    }
    auto q = std::make_unique<SqlQuery>();
    q->at = here();
    q->select = std::make_unique<SqlSelect>();
    if (!select_core(*q->select))
        return nullptr;
    return q;
}

bool SqlParser::select_core(SqlSelect &s)
{
    s.at = here();
    if (!expect_word("SELECT"))
        return false;
    s.distinct = take_word("DISTINCT") || take_word("UNIQUE");
    do {
        s.items.emplace_back();
        if (!select_item(s.items.back()))
            return false;
    } while (take_punct(','));
    if (take_word("INTO")) {
        do {
            s.into.emplace_back();
            if (!into_target(s.into.back()))
                return false;
        } while (take_punct(','));
    }
    if (take_word("FROM") && !table_refs(s.from))
        return false;
    if (take_word("WHERE") && !(s.where = expression()))
        return false;
    if (word("GROUP") && word("BY", 1)) {
        s.group_at = here();
        pos_ += 2;
        do {
            s.group_by.push_back(expression());
            if (!s.group_by.back())
                return false;
        } while (take_punct(','));
    }
    if (take_word("HAVING") && !(s.having = expression()))
        return false;
    return true;
}

bool SqlParser::select_item(SqlSelectItem &item)
{
    item.at = here();
    if (take_punct('*')) {
        item.star = true;
        return true;
    }
    // alias.* reaches us as the format-like token "alias." and then *.
    const Token &t = here();
    if (t.kind == TokenKind::Format && punct('*', 1) && t.text.size() > 1 && t.text.back() == '.' &&
        std::isalpha(static_cast<unsigned char>(t.text[0])) &&
        std::all_of(t.text.begin(), t.text.end() - 1, [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; })) {
        item.star = true;
        item.star_qualifier = t.text.substr(0, t.text.size() - 1);
        pos_ += 2;
        return true;
    }
    item.expr = expression();
    if (!item.expr)
        return false;
    if (take_word("AS")) {
        item.alias = take_name();
        if (item.alias.empty())
            return false;
    } else if (name_here() && !((word("LABEL") || word("FORMAT") || word("LENGTH") || word("INFORMAT") ||
                                  word("TRANSCODE")) && punct('=', 1))) {
        item.alias = t_[pos_++].text;
    }
    if (more() && here().kind == TokenKind::String) {
        item.attributes.label = here().text;
        item.attributes.has_label = true;
        ++pos_;
    }
    return column_attributes(item.attributes);
}

bool SqlParser::column_attributes(SqlColumnAttributes &a)
{
    while ((word("LABEL") || word("FORMAT") || word("INFORMAT") || word("LENGTH") || word("TRANSCODE")) && punct('=', 1)) {
        const std::string what = upper_case(here().text);
        pos_ += 2;
        if (what == "LABEL") {
            if (!more() || here().kind != TokenKind::String)
                return fail("a quoted label");
            a.label = t_[pos_++].text;
            a.has_label = true;
        } else if (what == "LENGTH") {
            a.length_at = here();
            if (!more() || here().kind != TokenKind::Integer || here().number < 1 || here().number > 32767)
                return fail("a length from 1 to 32767");
            a.length = static_cast<size_t>(t_[pos_++].number);
        } else if (what == "TRANSCODE") {
            if (take_name().empty())
                return false;
        } else {
            // A format: best12., 8.2, $20., $char10., date9.
            std::string written;
            if (take_punct('$'))
                written = "$";
            const TokenKind kind = here().kind;
            if (!more() || !(kind == TokenKind::Format || kind == TokenKind::Number || kind == TokenKind::Integer))
                return fail("a format");
            written += t_[pos_++].source;
            (what == "FORMAT" ? a.format : a.informat) = written;
        }
    }
    return true;
}

bool SqlParser::into_target(SqlIntoTarget &target)
{
    target.at = here();
    if (!expect_punct(':'))
        return false;
    // After ':' any name is a macro variable's, a word of the language too (:order).
    const auto macro_name = [this] {
        return more() && t_[pos_].kind == TokenKind::Name ? t_[pos_++].text : take_name();
    };
    target.name = macro_name();
    if (target.name.empty())
        return false;
    if (take_punct('-') || take_word("THROUGH") || take_word("THRU")) {
        target.range = true;
        if (take_punct(':')) {
            target.last = macro_name();
            if (target.last.empty())
                return false;
        }
    }
    if (word("SEPARATED") && word("BY", 1)) {
        pos_ += 2;
        if (!more() || here().kind != TokenKind::String)
            return fail("a quoted separator");
        target.separated = true;
        target.separator = t_[pos_++].text;
    }
    target.trimmed = take_word("TRIMMED");
    target.notrim = take_word("NOTRIM");
    return true;
}

bool SqlParser::table_refs(std::vector<SqlTableRef> &from)
{
    from.emplace_back();
    if (!table_ref(from.back()))
        return false;
    for (;;) {
        SqlJoin join = SqlJoin::Comma;
        const Token &at = here();
        bool natural = false;
        if (take_punct(',')) {
            join = SqlJoin::Comma;
        } else {
            natural = take_word("NATURAL");
            if (take_word("INNER"))
                join = SqlJoin::Inner;
            else if (take_word("LEFT"))
                join = SqlJoin::Left;
            else if (take_word("RIGHT"))
                join = SqlJoin::Right;
            else if (take_word("FULL"))
                join = SqlJoin::Full;
            else if (!natural && take_word("CROSS"))
                join = SqlJoin::Cross;
            else if (word("JOIN"))
                join = SqlJoin::Inner;
            else if (natural)
                return fail("INNER, LEFT, RIGHT, FULL or JOIN");
            else
                return true;
            if (join == SqlJoin::Left || join == SqlJoin::Right || join == SqlJoin::Full)
                take_word("OUTER");
            if (!expect_word("JOIN"))
                return false;
        }
        from.emplace_back();
        SqlTableRef &ref = from.back();
        ref.join = join;
        ref.natural = natural;
        if (!table_ref(ref))
            return false;
        ref.at = at.kind == TokenKind::Punct ? ref.at : at;
        if (natural && word("ON"))
            return fail_at("A NATURAL join matches the columns of one name itself and takes no ON clause", here());
        if (join != SqlJoin::Comma && join != SqlJoin::Cross && !natural) {
            if (!expect_word("ON") || !(ref.on = expression()))
                return false;
        }
    }
}

bool SqlParser::table_ref(SqlTableRef &ref)
{
    ref.at = here();
    if (word("CONNECTION") && word("TO", 1))
        return connection_to(ref);
    if (punct('(') && (word("SELECT", 1) || punct('(', 1))) {
        SqlNesting nesting(*this);
        if (!nesting.ok())
            return false;
        ++pos_;
        ref.query = query();
        if (!ref.query || !expect_punct(')'))
            return false;
    } else {
        SqlStatement::Target target;
        if (!dataset_name(target))
            return false;
        ref.begin = target.begin;
        ref.end = target.end;
    }
    if (take_word("AS") || name_here()) {
        ref.alias = take_name();
        if (ref.alias.empty())
            return false;
    }
    return true;
}

bool SqlParser::order_by(std::vector<SqlOrderItem> &order)
{
    do {
        SqlOrderItem item;
        item.expr = expression();
        if (!item.expr)
            return false;
        if (take_word("DESC"))
            item.descending = true;
        else
            take_word("ASC");
        order.push_back(std::move(item));
    } while (take_punct(','));
    return true;
}

// ---- entry points ----

bool parse_sql_statement(const std::vector<Token> &tokens, SqlStatement &statement, std::string &error)
{
    if (tokens.empty() || tokens.back().kind != TokenKind::Semicolon) {
        error = "A statement ends with ;";
        return false;
    }
    SqlParser parser(tokens);
    if (parser.statement(statement))
        return true;
    error = parser.error().empty() ? "Syntax error" : parser.error();
    return false;
}

std::string sql_text(const std::vector<Token> &tokens, size_t begin, size_t end)
{
    std::string text;
    for (size_t i = begin; i < end && i < tokens.size(); ++i) {
        const Token &t = tokens[i];
        if (i > begin) {
            const Token &before = tokens[i - 1];
            const bool adjacent = before.line == t.line && before.column + static_cast<int>(before.source.size()) == t.column;
            if (!adjacent)
                text += ' ';
        }
        text += t.source;
    }
    return text;
}

} // namespace quill::host
