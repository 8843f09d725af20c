// The DATA step compiler: the statements are read in order, and a variable takes its type (and a
// character variable its length) where it first appears: from a data set SET reads, a LENGTH
// statement, or the first value assigned to it. One class, its members in files by concern.
#ifndef QUILL_HOST_STEPS_DATA_STEP_COMPILER_H
#define QUILL_HOST_STEPS_DATA_STEP_COMPILER_H

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/names.h"
#include "steps/data_step/step_program.h"

namespace quill::host {

inline bool is_word(const Token &t, const char *word) { return t.kind == TokenKind::Name && upper_case(t.text) == word; }

class Compiler {
public:
    Compiler(Session &session, const Step &step, StepProgram &program);
    bool run();

private:
    // step_compiler.cpp: the DATA statement, statements by keyword, expressions and names
    bool error(const std::string &message, const Token &at);
    std::string named(const std::string &message) const;
    bool expected(const std::string &what, size_t pos);
    int add_statement(Stmt s);
    bool outputs();
    Scope scope();
    void known_variables(std::vector<Variable> &known, std::vector<int> &slots) const;
    bool expression(size_t &pos, int &node);
    bool condition(size_t &pos, int &node);
    bool end_of_statement(size_t &pos);
    int target(const Token &name, int value);
    bool statement(size_t &pos, int &out);
    bool statement_here(size_t &pos, int &out);

    // A statement's handler: `pos` just after its keyword, `s` its record begun at the keyword;
    // `out` receives its index among the step's statements (-1, as given, for one that runs
    // nothing: a declaration).
    using Handler = bool (Compiler::*)(size_t &pos, Stmt &s, int &out);
    struct KeywordRow {
        std::string_view keyword;
        Handler handler;
    };
    static const KeywordRow *keyword_row(std::string_view keyword);

    // compile_control.cpp: assignments, IF, DO, SELECT, OUTPUT, the statements holding no others
    [[gnu::noinline]] bool element_assignment(size_t &pos, Stmt &s, int &out);
    [[gnu::noinline]] bool assignment_statement(size_t &pos, Stmt &s, int &out);
    [[gnu::noinline]] bool sum_statement(size_t &pos, Stmt &s, int &out);
    [[gnu::noinline]] bool if_statement(size_t &pos, Stmt &s, int &out);
    bool starts_if(size_t pos) const;
    bool branch(size_t &pos, int &out);
    bool block(size_t &pos, const Token &opening, std::vector<int> &children);
    bool parenthesised(size_t &pos, int &node);
    [[gnu::noinline]] bool do_statement(size_t &pos, Stmt &s, int &out);
    bool do_list(size_t &pos, Stmt &s);
    [[gnu::noinline]] bool select_statement(size_t &pos, Stmt &s, int &out);
    [[gnu::noinline]] bool output_statement(size_t &pos, Stmt &s, int &out);
    [[gnu::noinline]] bool jump_statement(size_t &pos, Stmt &s, int &out);
    [[gnu::noinline]] bool misplaced_statement(size_t &pos, Stmt &s, int &out);

    // compile_declarations.cpp: ARRAY, RETAIN, LENGTH, LABEL, FORMAT, INFORMAT, KEEP, DROP, RENAME
    // A variable a list names: its name, the token it is written at, its slot (-1 when new).
    struct ListedVariable {
        Token at;
        std::string name;
        int slot;
    };
    bool listed_variables(const std::vector<Token> &list, const std::string &statement, long limit,
                          const std::string &too_many, std::vector<ListedVariable> &elements);
    [[gnu::noinline]] bool array_statement(size_t &pos, Stmt &s, int &out);
    bool array_elements(const std::vector<Token> &list, ArrayDef &array, bool character, size_t length, long limit);
    bool array_initial_values(size_t &pos, const ArrayDef &array, const Token &name);
    [[gnu::noinline]] bool retain_statement(size_t &pos, Stmt &s, int &out);
    [[gnu::noinline]] bool length_statement(size_t &pos, Stmt &s, int &out);
    [[gnu::noinline]] bool format_statement(size_t &pos, Stmt &s, int &out);
    bool give_format(const ListedVariable &v, const ValueFormat *fmt, bool informat);
    [[gnu::noinline]] bool label_statement(size_t &pos, Stmt &s, int &out);
    [[gnu::noinline]] bool keep_drop_statement(size_t &pos, Stmt &s, int &out);
    [[gnu::noinline]] bool rename_statement(size_t &pos, Stmt &s, int &out);

    // compile_readers.cpp: SET, MERGE, BY, INPUT, INFILE, WHERE
    [[gnu::noinline]] bool set_statement(size_t &pos, Stmt &s, int &out);
    [[gnu::noinline]] bool merge_statement(size_t &pos, Stmt &s, int &out);
    bool read_statement(size_t &pos, Stmt &s, int &out, bool merge);
    [[gnu::noinline]] bool by_statement(size_t &pos, Stmt &s, int &out);
    bool add_reader_variables(Reader &reader);
    const Statement *own_statement(size_t pos) const;
    [[gnu::noinline]] bool infile_statement(size_t &pos, Stmt &s, int &out);
    [[gnu::noinline]] bool input_statement(size_t &pos, Stmt &s, int &out);
    [[gnu::noinline]] bool where_statement(size_t &pos, Stmt &s, int &out);

    // compile_put.cpp: PUT and the CALL routines
    [[gnu::noinline]] bool put_statement(size_t &pos, Stmt &s, int &out);
    bool put_format(size_t &pos, PutItem &item, const Token &variable);
    [[gnu::noinline]] bool call_statement(size_t &pos, Stmt &s, int &out);
    bool call_with_arguments(size_t &pos, Stmt &s, int &out); // CALL MISSING, SORTN, STREAMINIT

    Session &session_;
    const Step &step_;
    StepProgram &p_;
    std::vector<Token> tokens_;
    std::vector<std::pair<size_t, size_t>> starts_; // token index of each body statement's start
    int loop_depth_ = 0;
    int nesting_ = 0; // statements inside statements, at this point
    int where_seen_ = 0;
    std::string current_; // the statement being compiled, for messages
    bool have_input_ = false;
    bool has_set_ = false;
    int last_data_reader_ = -1; // the last SET or MERGE, which a BY statement applies to
    const Statement *infile_statement_ = nullptr; // the first INFILE of the step
};

} // namespace quill::host

#endif
