// The DATA step compiler's readers: SET and MERGE (opened, their variables added to the step),
// BY, INPUT with DATALINES or INFILE.
#include <algorithm>

#include "base/message_text.h"
#include "base/names.h"
#include "language/dataset_reference.h"
#include "language/variable_lists.h"
#include "steps/data_step/compiler.h"
#include "steps/data_step/datalines_input.h"
#include "steps/data_step/infile_statement.h"

namespace quill::host {

bool Compiler::set_statement(size_t &pos, Stmt &s, int &out)
{
    // SET data set <(options)> ... <END=variable> ;
    return read_statement(pos, s, out, false);
}

bool Compiler::merge_statement(size_t &pos, Stmt &s, int &out)
{
    // MERGE data set <(options)> ... <END=variable> ;  (with BY after it: a match-merge)
    return read_statement(pos, s, out, true);
}

// SET or MERGE: each data set opened (described) through its options and the step's WHERE; an
// IN= option names a variable of the step, not an option of the data.
bool Compiler::read_statement(size_t &pos, Stmt &s, int &out, bool merge)
{
    Reader reader;
    size_t stop = pos;
    while (tokens_[stop].kind != TokenKind::Semicolon)
        ++stop;
    std::vector<Token> end_name, in_names;
    for (size_t i = pos; i < stop;) {
        if (is_word(tokens_[i], "END") && i + 2 <= stop && is_punct(tokens_[i + 1], '=')) {
            if (i + 2 >= stop || tokens_[i + 2].kind != TokenKind::Name)
                return expected("a variable name after END=", i + 2);
            end_name.push_back(tokens_[i + 2]);
            i += 3;
            continue;
        }
        const size_t next = dataset_tokens_end(tokens_, i, stop);
        Reader::Input input;
        std::string message;
        if (!parse_dataset_reference(tokens_, i, next, session_.library, input.ref, message))
            return error(message, tokens_[i]);
        if (input.ref.is_null)
            return error("_NULL_ cannot be read", tokens_[i]);
        if (input.ref.has_in) { // the step's own variable, not an option of the data
            in_names.push_back(input.ref.in_name);
            input.ref.has_in = false;
        } else {
            in_names.emplace_back();
        }
        if (!open_for_reading(input.ref, session_.library, session_.log, input.view, message, p_.where)) {
            if (message.find(" at line ") == std::string::npos) // not yet placed in the program
                return error(message, tokens_[i]);
            session_.log.error(message);
            return false;
        }
        reader.inputs.push_back(std::move(input));
        i = next;
    }
    if (reader.inputs.empty())
        return error(std::string(merge ? "MERGE" : "SET") + " needs the name of a data set to read", s.at);
    pos = stop + 1;
    if (!add_reader_variables(reader))
        return false;
    reader.merge = merge;
    for (size_t k = 0; k < in_names.size(); ++k) {
        const Token &name = in_names[k];
        if (name.text.empty())
            continue;
        if (p_.pdv.find(name.text) >= 0)
            return error("The IN= variable " + name.text + " is already a variable of the DATA step", name);
        const int slot = p_.pdv.add_automatic(name.text);
        p_.pdv.shown[static_cast<size_t>(slot)] = 1;
        p_.pdv.initial[static_cast<size_t>(slot)] = 0;
        reader.inputs[k].in_slot = slot;
    }
    if (!end_name.empty()) {
        reader.end_slot = p_.pdv.find(end_name.front().text);
        if (reader.end_slot < 0)
            reader.end_slot = p_.pdv.add_automatic(end_name.front().text);
    }
    s.kind = StmtKind::Read;
    s.reader = static_cast<int>(p_.readers.size());
    last_data_reader_ = s.reader;
    p_.readers.push_back(std::move(reader));
    out = add_statement(std::move(s));
    return true;
}

// BY <DESCENDING> var ...; for the SET or MERGE statement before it: every data set it reads
// has the variables; each gets FIRST.var and LAST.var.
bool Compiler::by_statement(size_t &pos, Stmt &s, int &)
{
    // BY <DESCENDING> variable ... ;  (for the SET or MERGE before it)
    const Token &first = s.at;
    if (last_data_reader_ < 0)
        return error("BY needs a SET or MERGE statement before it in the DATA step", first);
    Reader &reader = p_.readers[static_cast<size_t>(last_data_reader_)];
    if (!reader.by.empty())
        return error("The SET or MERGE statement before this BY statement already has one", first);
    bool descending = false;
    for (; tokens_[pos].kind != TokenKind::Semicolon; ++pos) {
        const Token &t = tokens_[pos];
        if (is_word(t, "DESCENDING") && tokens_[pos + 1].kind != TokenKind::Semicolon) {
            descending = true;
            continue;
        }
        if (t.kind != TokenKind::Name && t.kind != TokenKind::NameLiteral)
            return expected("a variable name in the BY statement", pos);
        for (Reader::Input &in : reader.inputs) {
            const auto &vars = in.view.variables;
            const auto found = std::find_if(vars.begin(), vars.end(), [&](const Variable &v) { return same_name(v.name, t.text); });
            if (found == vars.end())
                return error("BY variable " + t.text + " is not on input data set " + in.ref.name.display, t);
            in.key_columns.push_back(in.view.columns[static_cast<size_t>(found - vars.begin())]);
        }
        ByVariable by;
        by.slot = p_.pdv.find(t.text);
        by.descending = descending;
        const std::string name = p_.pdv.variables[static_cast<size_t>(by.slot)].name; // a copy: the PDV grows
        if (p_.pdv.find("FIRST." + name) >= 0)
            return error("FIRST." + name + " is already defined by a BY statement of this step", t);
        by.first_slot = p_.pdv.add_automatic("FIRST." + name);
        by.last_slot = p_.pdv.add_automatic("LAST." + name);
        for (const int slot : {by.first_slot, by.last_slot}) {
            p_.pdv.shown[static_cast<size_t>(slot)] = 1;
            p_.pdv.initial[static_cast<size_t>(slot)] = 1;
        }
        reader.by.push_back(by);
        descending = false;
    }
    ++pos;
    if (reader.by.empty())
        return error("BY needs variables: BY <DESCENDING> var ...;", first);
    return true;
}

bool Compiler::add_reader_variables(Reader &reader)
{
    std::vector<char> listed;
    size_t more = 0;
    for (const Reader::Input &input : reader.inputs)
        more += input.view.variables.size();
    p_.pdv.slots.reserve(p_.pdv.variables.size() + more);
    for (Reader::Input &input : reader.inputs) {
        const DatasetView &view = input.view;
        for (size_t k = 0; k < view.variables.size(); ++k) {
            const Variable &v = view.variables[k];
            int slot = p_.pdv.find(v.name);
            if (slot < 0) {
                slot = p_.pdv.add(v.name, v.type, v.length);
                p_.pdv.variables[static_cast<size_t>(slot)].label = v.label;
                p_.pdv.variables[static_cast<size_t>(slot)].format = v.format;
                p_.pdv.variables[static_cast<size_t>(slot)].informat = v.informat;
            } else {
                Variable &have = p_.pdv.variables[static_cast<size_t>(slot)];
                if (have.type != v.type)
                    return error("Variable " + v.name + " has been defined as both character and numeric",
                                 tokens_.front());
                if (have.type == VarType::Character && v.length > have.length && p_.pdv.assigned[static_cast<size_t>(slot)])
                    session_.log.warning("Multiple lengths were specified for the variable " + v.name +
                                         " by input data set(s). This can cause truncation of data.");
                if (!p_.pdv.assigned[static_cast<size_t>(slot)])
                    have.length = std::max(have.length, v.length);
            }
            p_.pdv.retained[static_cast<size_t>(slot)] = 1;
            p_.pdv.assigned[static_cast<size_t>(slot)] = 1;
            input.to_slots.emplace_back(view.columns[k], slot);
            if (listed.size() <= static_cast<size_t>(slot))
                listed.resize(p_.pdv.variables.size(), 0);
            if (!listed[static_cast<size_t>(slot)]) {
                listed[static_cast<size_t>(slot)] = 1;
                reader.slots.push_back(slot);
            }
        }
    }
    return true;
}

// The statement at `pos` (just after its keyword) when it stands on its own in the step, not
// inside IF or DO; otherwise nullptr.
const Statement *Compiler::own_statement(size_t pos) const
{
    for (const auto &[start, k] : starts_)
        if (start + 1 == pos)
            return &step_.body[k];
    return nullptr;
}

// INFILE ...; read before the statements are compiled: here it is only placed.
bool Compiler::infile_statement(size_t &pos, Stmt &s, int &)
{
    // INFILE fileref | 'file' | DATALINES <options> ;  (read before the statements are compiled)
    const Statement *statement = own_statement(pos);
    while (tokens_[pos].kind != TokenKind::Semicolon)
        ++pos;
    ++pos;
    if (!statement)
        return error("INFILE must be a statement of its own, not part of IF or DO", s.at);
    if (statement != infile_statement_)
        return error("The DATA step takes one INFILE statement", s.at);
    return true;
}

// INPUT with DATALINES or INFILE: the lines are read into memory and then read like a data set.
bool Compiler::input_statement(size_t &pos, Stmt &s, int &out)
{
    // INPUT <pointer> variable <$> <columns | informat | :informat> ... ;  (from DATALINES or the
    // INFILE, read like a data set)
    const Statement *statement = own_statement(pos);
    if (!statement)
        return error("INPUT must be a statement of its own, not part of IF or DO", s.at);
    while (tokens_[pos].kind != TokenKind::Semicolon)
        ++pos;
    ++pos;
    if (have_input_)
        return error("The DATA step takes one INPUT statement", s.at);
    have_input_ = true;
    Table table;
    InputLayout layout;
    const auto informat_of = [this](const std::string &name) {
        const int slot = p_.pdv.find(name);
        return slot < 0 ? std::string() : p_.pdv.variables[static_cast<size_t>(slot)].informat;
    };
    if (!parse_input_layout(session_, *statement, informat_of, table, layout))
        return false;
    const InfileRequest request = p_.infile ? *p_.infile : InfileRequest();
    if (request.data_lines && !step_.has_data_lines)
        return error("The DATA step needs DATALINES (or CARDS) after its INPUT statement", s.at);
    RawText text;
    if (!infile_text(session_, request, step_.data_lines, step_.first_data_line, text))
        return false;
    const size_t max_text = p_.outputs.empty() ? default_format().max_text_length :
                                                 p_.outputs.front().ref.name.format->max_text_length;
    auto source = raw_input_source(session_, text, request.layout, layout, max_text, table, p_.records);
    if (!source)
        return false;
    Reader reader;
    Reader::Input input;
    input.view = whole_view(std::move(source));
    input.ref.name.display = request.data_lines ? "DATALINES" : "INFILE";
    reader.inputs.push_back(std::move(input));
    if (!add_reader_variables(reader))
        return false;
    for (int slot : reader.slots)
        p_.pdv.retained[static_cast<size_t>(slot)] = 0; // INPUT variables start each observation missing
    s.kind = StmtKind::Read;
    s.reader = static_cast<int>(p_.readers.size());
    p_.input_reader = s.reader;
    p_.readers.push_back(std::move(reader));
    out = add_statement(std::move(s));
    return true;
}

bool Compiler::where_statement(size_t &pos, Stmt &s, int &)
{
    // WHERE condition ;  (filters every data set SET and MERGE read; taken before the statements)
    const Token &first = s.at;
    const bool empty = tokens_[pos].kind == TokenKind::Semicolon;
    if (where_seen_++ > 0)
        return error("The DATA step has two WHERE statements", first);
    while (tokens_[pos].kind != TokenKind::Semicolon)
        ++pos;
    ++pos;
    if (empty)
        return error("WHERE needs an expression", first);
    if (p_.readers.empty() && !has_set_)
        return error("WHERE needs a SET statement in the DATA step to filter", first);
    return true;
}

} // namespace quill::host
