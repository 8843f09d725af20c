// The macro processor's input stack and its output, shared by the files that implement
// MacroProcessor (macro_processor.cpp reads, macro_resolve.cpp resolves, macro_statements.cpp
// runs macro statements).
#ifndef QUILL_HOST_LANGUAGE_MACRO_PROCESSOR_STATE_H
#define QUILL_HOST_LANGUAGE_MACRO_PROCESSOR_STATE_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "language/macro/macro_processor.h"

namespace quill::host {

// One entry of the input stack: a source read as open code (the program, an %INCLUDE file) or a
// running macro.
struct MacroProcessor::Frame {
    bool source = false;
    // A source.
    std::string text;
    size_t pos = 0;
    int line = 1;
    size_t line_start = 0;
    int echoed = 0;
    bool echo = false;  // the program's own lines are echoed to the log
    int fixed_line = 0; // an %INCLUDE file's text stands at the line of the %INCLUDE
    std::string file;   // an %INCLUDE file's path
    // A macro.
    std::shared_ptr<const MacroDefinition> macro;
    size_t pc = 0;
    bool scoped = false; // it has its local symbol table
    int call_line = 0;
    struct Loop {
        long long stop = 0, by = 1;
    };
    std::map<int, Loop> loops; // by the index of their DoInit
};

// The text generated so far and not yet handed out, with the ends of its complete statements.
// Quoted strings and comments are followed so that only a real ';' ends a statement.
struct MacroProcessor::Output {
    enum class State { Normal, Single, Double, Comment, Star };
    std::string text;
    std::vector<TextOrigin> origins;
    std::vector<std::string> makers; // per origin: the macro that generated it, "" for program text
    std::vector<size_t> ends;        // just after each ';' that ends a statement
    State state = State::Normal;
    bool statement_start = true;
    bool start_before_slash = true;
    char last = '\0';

    void append(std::string_view piece, int line, int column, const std::string &maker_of);
    void feed(char c);
    // Takes the text through `end` out, with its origins; the first maker that is a macro's.
    void cut(size_t end, StatementText &statement, std::string &maker);
};

} // namespace quill::host

#endif
