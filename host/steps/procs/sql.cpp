// PROC SQL <NOPRINT> <OUTOBS=n>; statement; ... QUIT; — each statement runs as soon as its ';'
// is read, so a macro variable it sets (INTO, &SQLOBS) or a table it creates is there for the
// next. The relational work is SQLite's (language/sql/); this step reads each statement, hands
// on what it gives, and keeps SAS's ways: after an error the statements that follow are only
// checked (NOEXEC), RUN has no effect, and a statement that fails writes nothing.
#include "steps/procs/sql.h"

#include "base/message_text.h"
#include "base/names.h"
#include "language/expression.h"
#include "language/sql/sql_parser.h"
#include "steps/procs/sql_results.h"
#include "steps/proc_frame.h"

namespace quill::host {
namespace {

class SqlProcedure : public StatementProcedure {
public:
    explicit SqlProcedure(ProcRun &run) : session_(run.session)
    {
        noprint_ = run.flag("NOPRINT");
        number_ = run.flag("NUMBER");
        if (const StepOption *o = run.option("OUTOBS"))
            outobs_ = static_cast<long long>(run.value(*o).number);
        if (const StepOption *o = run.option("INOBS"))
            inobs_ = static_cast<long long>(run.value(*o).number);
        std::string error;
        if (const StepOption *o = run.option("UNDO_POLICY"); o && !undo_policy(run.value(*o), error))
            failed(error, run.step.head);
    }

    void statement(const Statement &statement) override
    {
        const std::string keyword = statement.keyword();
        if (keyword == "RUN") {
            session_.log.note("PROC SQL statements are executed immediately; The RUN statement has no effect.");
            return;
        }
        SqlStatement s;
        std::string error;
        if (!parse_sql_statement(statement.tokens, s, error)) {
            failed(error, statement);
            return;
        }
        if (!s.pass_through.text.empty()) {
            // Said once: after it the step only checks, and what would use the connection is
            // not checked again.
            if (!noexec_)
                failed(at_place("A Connection to the " + upper_case(s.pass_through.text) +
                                    " DBMS is not currently supported, or is not installed at your site "
                                    "(this host reaches no database system to pass statements to)",
                                s.pass_through),
                       statement);
            return;
        }
        if (noexec_) {
            // Only checked: names and types are resolved, nothing is run.
            SqlEnvironment env = sql_environment(session_);
            SqlPlan plan;
            if (s.query && !translate_sql_query(env, statement.tokens, *s.query, plan, error))
                session_.log.error(error);
            return;
        }
        long long rows = 0;
        if (!execute(statement.tokens, s, rows, error)) {
            failed(error, statement);
            return;
        }
        session_.macro_symbols.set_global("SQLOBS", std::to_string(rows));
        session_.macro_symbols.set_global("SQLRC", "0");
    }

private:
    // The error in SAS's words with its place, then SAS's way on: the rest is only checked.
    void failed(const std::string &error, const Statement &statement)
    {
        const bool placed = error.find(" at line ") != std::string::npos;
        session_.log.error(placed ? error : at_line(error, statement.line()));
        session_.macro_symbols.set_global("SQLRC", "8");
        session_.macro_symbols.set_global("SQLOBS", "0");
        if (!noexec_)
            session_.log.note("PROC SQL set option NOEXEC and will continue to check the syntax of statements.");
        noexec_ = true;
    }

    bool execute(const std::vector<Token> &tokens, const SqlStatement &s, long long &rows, std::string &error)
    {
        switch (s.kind) {
        case SqlStatementKind::Select: return select(tokens, s, rows, error);
        case SqlStatementKind::CreateTableAs: return create_as(tokens, s, rows, error);
        case SqlStatementKind::CreateView: return create_view(tokens, s, error);
        case SqlStatementKind::CreateTableColumns:
        case SqlStatementKind::CreateTableLike: return sql_create_columns(session_, tokens, s, error);
        case SqlStatementKind::Insert: return sql_insert(session_, tokens, s, rows, error);
        case SqlStatementKind::Delete:
        case SqlStatementKind::Update: return sql_delete_or_update(session_, tokens, s, rows, error);
        case SqlStatementKind::AlterTable: return sql_alter(session_, tokens, s, error);
        case SqlStatementKind::DropTable:
        case SqlStatementKind::DropView: return sql_drop(session_, tokens, s, error);
        case SqlStatementKind::Describe: return sql_describe(session_, tokens, s, error);
        case SqlStatementKind::Validate: return validate(tokens, s, error);
        case SqlStatementKind::Reset: return reset(tokens, s, error);
        case SqlStatementKind::PassThrough: return true; // refused before it gets here
        case SqlStatementKind::CreateIndex:
            session_.log.note("The CREATE INDEX statement is not supported by this host and is ignored (line " +
                              std::to_string(s.at.line) + ").");
            return true;
        }
        return true;
    }

    // RESET: the PROC statement's options again, for the statements that follow. A limit is a
    // whole number >= 0; MAX (or no limit) takes it away.
    bool reset(const std::vector<Token> &tokens, const SqlStatement &s, std::string &error)
    {
        for (size_t i = s.options_begin; i < s.options_end; ++i) {
            const std::string option = upper_case(tokens[i].text);
            if (tokens[i].kind == TokenKind::Name && (option == "OUTOBS" || option == "INOBS")) {
                long long &limit = option == "OUTOBS" ? outobs_ : inobs_;
                if (i + 2 >= s.options_end || !is_punct(tokens[i + 1], '=')) {
                    error = at_place("The option " + option + "= needs a value", tokens[i]);
                    return false;
                }
                const Token &value = tokens[i + 2];
                if (value.kind == TokenKind::Name && upper_case(value.text) == "MAX") {
                    limit = -1;
                } else if (value.kind == TokenKind::Integer) {
                    limit = static_cast<long long>(value.number);
                } else {
                    error = at_place("The value of " + option + "= must be a whole number of 0 or more, or MAX", value);
                    return false;
                }
                i += 2;
            } else if (option == "NOPRINT" || option == "PRINT") {
                noprint_ = option == "NOPRINT";
            } else if (option == "NUMBER" || option == "NONUMBER") {
                number_ = option == "NUMBER";
            } else if (option == "UNDO_POLICY") {
                if (i + 2 >= s.options_end || !is_punct(tokens[i + 1], '=')) {
                    error = at_place("The option UNDO_POLICY= needs a value", tokens[i]);
                    return false;
                }
                if (!undo_policy(tokens[i + 2], error))
                    return false;
                i += 2;
            } else if (option == "FEEDBACK" || option == "NOFEEDBACK") {
                // The log already shows each statement as it was written.
            } else {
                error = at_place("The option " + quoted_excerpt(tokens[i].source) + " is not supported by this host in PROC SQL",
                                 tokens[i]);
                return false;
            }
        }
        return true;
    }

    // UNDO_POLICY=NONE|OPTIONAL|REQUIRED: taken, and the same for all three here, since no
    // statement leaves a table half changed (each writes its table whole, or not at all).
    static bool undo_policy(const Token &value, std::string &error)
    {
        const std::string policy = value.kind == TokenKind::Name ? upper_case(value.text) : std::string();
        if (policy == "NONE" || policy == "OPTIONAL" || policy == "REQUIRED")
            return true;
        error = at_place("Syntax error, expecting one of the following: NONE, OPTIONAL, REQUIRED, found " +
                             quoted_excerpt(value.source),
                         value);
        return false;
    }

    // Runs a query: INOBS= limits the rows read from each table, OUTOBS= cuts the rows it gives,
    // each with SAS's warning.
    bool query(const std::vector<Token> &tokens, const SqlQuery &q, Table &result, std::string &error)
    {
        SqlEnvironment env = sql_environment(session_);
        SqlPlan plan;
        if (!translate_sql_query(env, tokens, q, plan, error) || !run_sql_plan(session_, plan, result, error, inobs_))
            return false;
        if (outobs_ >= 0 && result.rows > static_cast<size_t>(outobs_)) {
            session_.log.warning("Statement terminated early due to OUTOBS=" + std::to_string(outobs_) + " option.");
            result.truncate(static_cast<size_t>(outobs_));
        }
        return true;
    }

    bool select(const std::vector<Token> &tokens, const SqlStatement &s, long long &rows, std::string &error)
    {
        Table result;
        if (!query(tokens, *s.query, result, error))
            return false;
        rows = static_cast<long long>(result.rows);
        // INTO is written in the first SELECT, also of a set operation.
        const SqlQuery *first = s.query.get();
        while (first->left)
            first = first->left.get();
        const std::vector<SqlIntoTarget> *into = first->select ? &first->select->into : nullptr;
        if (into && !into->empty()) {
            if (!set_into_variables(session_, *into, result, error))
                return false;
            // A single target takes the first row only, and that is what SAS counts.
            bool all_rows = false;
            for (const SqlIntoTarget &t : *into)
                all_rows = all_rows || t.separated || t.range;
            if (!all_rows && rows > 1)
                rows = 1;
            if (result.rows == 0)
                session_.log.warning("No rows were selected.");
            return true;
        }
        if (result.rows == 0)
            session_.log.note("No rows were selected.");
        else if (!noprint_)
            print_sql_result(session_, result, number_);
        return true;
    }

    // The rows go to the data set as the engine gives them; a failure on the way discards it,
    // leaving a table of its name as it was.
    bool create_as(const std::vector<Token> &tokens, const SqlStatement &s, long long &rows, std::string &error)
    {
        DatasetReference target;
        if (!sql_created_target(session_, tokens, s.targets.front(), target, error))
            return false;
        const DatasetName &name = target.name;
        SqlEnvironment env = sql_environment(session_);
        SqlPlan plan;
        if (!translate_sql_query(env, tokens, *s.query, plan, error))
            return false;
        // A failure to write is logged where it happens; the statement has failed all the same.
        const std::string not_created = "Table " + name.display + " was not created.";
        std::unique_ptr<OutputDataset> output = create_sql_output(session_, target, plan.columns);
        if (!output)
            return error = not_created, false;
        Row row;
        row.resize(plan.columns.size());
        long long given = 0;
        bool cut = false;
        const bool ran = run_sql_plan(
            session_, plan,
            [&](const SqlResultRow &r) {
                if (outobs_ >= 0 && given == outobs_) {
                    cut = true;
                    return false;
                }
                ++given;
                sql_result_row(r, plan.columns, row);
                return output->write(row);
            },
            error, inobs_);
        if (!ran || output->failed()) {
            output->discard();
            if (ran)
                error = not_created;
            return false;
        }
        if (cut)
            session_.log.warning("Statement terminated early due to OUTOBS=" + std::to_string(outobs_) + " option.");
        if (!commit_sql_output(session_, *output, [&](long long written, size_t columns) {
                rows = written;
                return sql_created_note(name, static_cast<size_t>(written), columns);
            }))
            return error = not_created, false;
        return true;
    }

    // The view is checked as a query now and kept; each query that reads it runs it afresh.
    bool create_view(const std::vector<Token> &tokens, const SqlStatement &s, std::string &error)
    {
        DatasetName name;
        if (!sql_target_name(session_, tokens, s.targets.front(), name, error))
            return false;
        SqlEnvironment env = sql_environment(session_);
        SqlPlan plan;
        if (!translate_sql_query(env, tokens, *s.query, plan, error))
            return false;
        session_.sql_views.define(SqlViewDefinition{name, tokens});
        session_.log.note("SQL view " + name.display + " has been defined.");
        return true;
    }

    bool validate(const std::vector<Token> &tokens, const SqlStatement &s, std::string &error)
    {
        SqlEnvironment env = sql_environment(session_);
        SqlPlan plan;
        if (!translate_sql_query(env, tokens, *s.query, plan, error))
            return false;
        session_.log.note("PROC SQL statement has valid syntax.");
        return true;
    }

    Session &session_;
    bool noprint_ = false;
    bool number_ = false; // NUMBER: a Row column first in the listing
    bool noexec_ = false;
    long long outobs_ = -1;
    long long inobs_ = -1;
};

} // namespace

std::unique_ptr<StatementProcedure> start_proc_sql(ProcRun &run)
{
    return std::make_unique<SqlProcedure>(run);
}

} // namespace quill::host
