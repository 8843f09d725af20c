// Expressions of the SAS language: parsed once from tokens into a compact tree (nodes in one
// vector, children by index) and evaluated against the values of one observation as often as
// needed without allocating. Missing values follow the language's rules: arithmetic on a missing
// value gives missing, comparisons order missing before every number, a condition is true when
// it is neither 0 nor missing. Each place where a missing value was generated, a division by
// zero or an invalid function argument happened is counted for the notes at the step's end.
#ifndef QUILL_HOST_LANGUAGE_EXPRESSION_H
#define QUILL_HOST_LANGUAGE_EXPRESSION_H

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "data/table.h"
#include "language/formats.h"
#include "language/random_streams.h"
#include "language/tokenizer.h"

namespace quill::host {

class MacroSymbols;

// Where in the program an operation stands, and what happened there.
struct Place {
    int line = 0, column = 0;
    long missing = 0; // missing values generated from missing operands
    long failed = 0;  // division by zero, invalid argument: set to missing
};

// The variables an expression may name. find returns the slot of a variable in the values an
// expression reads (a Row), creating it when the caller allows; -1 when the name is unknown.
struct Scope {
    std::function<int(const std::string &name, const Token &at)> find;
    std::function<const Variable &(int slot)> variable;
    // The slots of one item of an OF list other than a name, a numbered range or an array
    // (a--d, x:, _NUMERIC_ ...); false with `error`. Unset where OF lists are not allowed.
    std::function<bool(const std::vector<Token> &item, std::vector<int> &slots, std::string &error)> list;
    // The formats PROC FORMAT defined, for PUT and INPUT; null: the built-in ones only.
    const FormatCatalog *formats = nullptr;
    // A WHERE condition, where <> means "not equal"; elsewhere it is the maximum operator and ><
    // the minimum.
    bool where = false;
};

// How far an expression may nest (parentheses, function calls, subscripts, prefix operators and
// exponents, each a level of the parser's recursion) and how deep its tree may grow (a chain of
// operators, each a level of the evaluator's recursion). A program generated without bound gets
// an error naming its place instead of running out of stack.
inline constexpr int max_expression_nesting = 256;
inline constexpr int max_expression_depth = 4096;

// An array of the DATA step: a name for a list of variables of one type, subscripted from 1.
struct ArrayDef {
    std::string name;
    VarType type = VarType::Numeric;
    size_t length = number_length;
    std::vector<int> slots; // the elements' slots, in order
};

// One message about an observation (a division by zero, an invalid argument), for the caller to
// log with the values of the observation.
struct EvalEvent {
    std::string text;
};

class ExpressionSet {
public:
    // Parses tokens[pos, end) as far as one expression reaches; pos moves past it. False with
    // `error` (naming the place and what was expected). The result is a node index.
    bool parse(const std::vector<Token> &tokens, size_t &pos, size_t end, Scope &scope, int &node,
               std::string &error);
    // Parses one array reference name{subscript} at pos (the target of an assignment).
    bool parse_element(const std::vector<Token> &tokens, size_t &pos, size_t end, Scope &scope, int &node,
                       std::string &error);

    // Arrays, defined before the expressions that subscript them; find gives -1 for an unknown name.
    int add_array(ArrayDef array);
    int find_array(std::string_view name) const;
    const ArrayDef &array(int id) const { return arrays_[static_cast<size_t>(id)]; }
    // The slot an array reference node stands for in this row; -1 when its subscript is out of
    // range, which halts the evaluation until take_halt.
    int element_slot(int node, const Row &row) const;
    // Set when a subscript was out of range since the last take_halt; the message names the place.
    bool halted() const { return halted_ >= 0; }
    std::string take_halt();
    // Converts node to the type wanted (a note about the conversion is kept in conversions()).
    int as_type(int node, VarType type);

    VarType type(int node) const;
    size_t length(int node) const;
    int depth(int node) const; // the levels of the tree below and at `node`

    double number(int node, const Row &row) const;
    const std::string &text(int node, const Row &row) const;
    bool truth(int node, const Row &row) const;

    std::vector<Place> &places() { return places_; }
    // Places where a character value was converted to a number and the reverse, in order.
    const std::vector<std::pair<int, int>> &to_number_places() const { return to_number_; }
    const std::vector<std::pair<int, int>> &to_text_places() const { return to_text_; }
    // Events since the last take; at most `limit` are kept, the rest only counted in places.
    std::vector<EvalEvent> &events() const { return events_; }
    void set_event_limit(size_t limit) { event_limit_ = limit; }
    bool has_text_variable_read(int node) const;
    // CALL STREAMINIT: the seed of RAND's stream, when no number has been drawn yet.
    void stream_init(double seed) const { random_.stream_init(seed); }
    // The slot a variable or an array element node names in this row (-1: a subscript out of
    // range, or not a variable), for the CALL routines that set their arguments.
    int target_slot(int node, const Row &row) const;
    // The slots a variable node (one) or an array element node (the array's) may name; empty
    // for any other node.
    std::vector<int> named_slots(int node) const;
    // Parses `(arguments)` at pos as a function's are parsed, OF lists included; pos moves past
    // the `)`. False with `error`.
    bool parse_arguments(const std::vector<Token> &tokens, size_t &pos, size_t end, Scope &scope,
                         std::vector<int> &nodes, std::string &error);
    // The macro variables SYMGET reads; without them SYMGET finds none.
    void set_macro_symbols(const MacroSymbols *symbols) { macro_symbols_ = symbols; }

    struct Node;

private:
    int add(Node node);
    int place(const Token &at);
    void event(std::string text) const;
    double call(const Node &n, const Row &row) const;
    double math(const Node &n, double x, double y) const;
    const std::string &call_text(const Node &n, const Row &row) const;
    double call_date(const Node &n, const Row &row) const; // date_functions.cpp
    double call_probability(const Node &n, const Row &row) const; // probability_functions.cpp
    double call_lag(const Node &n, const Row &row) const;         // lag_functions.cpp
    const std::string &call_lag_text(const Node &n, const Row &row) const;
    double call_text_number(const Node &n, const Row &row) const; // text_functions.cpp
    const std::string &call_text_more(const Node &n, const Row &row) const;
    bool compare(const Node &n, const Row &row) const;
    double arithmetic(const Node &n, double a, double b) const;
    double in_values(const Node &n, const Row &row) const;
    double to_number(const Node &n, const Row &row) const;
    const std::string &to_text(const Node &n, const Row &row) const;
    int element(const Node &n, const Row &row) const;

    std::vector<Node> nodes_;
    std::vector<int> args_;
    std::vector<ArrayDef> arrays_;
    mutable int halted_ = -1; // the array reference whose subscript was out of range
    mutable std::vector<Place> places_;
    std::vector<std::pair<int, int>> to_number_, to_text_;
    mutable std::vector<EvalEvent> events_;
    size_t event_limit_ = 20;
    const Token *at_ = nullptr;      // the token the next node added is written at
    mutable std::string out_number_; // a number written as text by CATS and CATX
    const MacroSymbols *macro_symbols_ = nullptr;
    const FormatCatalog *formats_ = nullptr; // PUTN and INPUTN look their formats up at run time
    mutable RandomStreams random_;
    // LAGn and DIFn: the last n values of each call site, the oldest at `next`.
    struct LagQueue {
        std::vector<double> numbers;
        std::vector<std::string> texts;
        size_t next = 0;
    };
    mutable std::vector<LagQueue> lags_;
    friend class ExpressionParser;
};

enum class Op : unsigned char {
    Number, Text, Var, Neg, Not, Add, Sub, Mul, Div, Pow, Concat, Eq, Ne, Lt, Le, Gt, Ge, And, Or, In,
    ToNumber, ToText, Call, Element, Max, Min
};

struct ExpressionSet::Node {
    Op op = Op::Number;
    VarType type = VarType::Numeric;
    size_t length = number_length; // bytes of a character result
    int a = -1, b = -1;            // operands
    int first = 0, count = 0;      // arguments (of IN and functions) in args_
    int slot = -1;                 // variable slot
    int function = -1;             // function id; the array of an Element
    int state = -1;                // LAG, DIF: the site's queue; CDF ... RAND: a constant distribution
    int place = -1;                // its place in places_
    int depth = 0;                 // 1 + the depth of its deepest operand; 0 for none
    int line = 0, column = 0;      // where it is written
    double value = 0;              // a numeric constant
    ValueFormat format;             // PUT's format, INPUT's informat
    std::string constant;          // a character constant
    mutable std::string result;    // a character result, its capacity reused
};

// Character comparison as SAS makes it: the shorter value padded with blanks (<0, 0 or >0).
int compare_text(std::string_view a, std::string_view b);

// "message at line L column C." for messages about a place in the program.
std::string at_place(const std::string &message, const Token &at);

// The text of a number as the BEST12. format writes it, right-aligned in 12 characters.
std::string best12(double value);

} // namespace quill::host

#endif
