// The grammar descriptor: a structure the host can interpret (terminals in byte order, symbols
// in range, actions that name real slots).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "statements/statement_slots.h"
#include "statements/statements.h"

namespace quill::proc {
namespace {

std::vector<std::string> terminals(const qh_grammar &g) {
    std::vector<std::string> names;
    const unsigned char *at = g.terminals;
    for (int32_t i = 0; i < g.terminal_count; ++i) {
        names.emplace_back(reinterpret_cast<const char *>(at + 1), *at);
        at += 1 + *at;
    }
    return names;
}

// The descriptor's layout: terminals in strictly increasing byte order, the end marker last.
// Which keywords there are, the program tests' statements show.
TEST(Grammar, EverySymbolAndActionIsInRange) {
    const qh_grammar &g = build_grammar();
    const std::vector<std::string> names = terminals(g);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.back(), "$$$");
    for (std::size_t i = 1; i + 1 < names.size(); ++i) EXPECT_LT(names[i - 1], names[i]);
    std::vector<bool> defined(g.nonterminal_count, false);
    for (int32_t i = 0; i < g.production_count; ++i) {
        const qh_production &p = g.productions[i];
        ASSERT_GE(p.lhs, 0);
        ASSERT_LT(p.lhs, g.nonterminal_count);
        defined[p.lhs] = true;
        for (int16_t s = 0; s < p.length; ++s) {
            const int kind = QH_SYMBOL_KIND(p.rhs[s]);
            const int index = QH_SYMBOL_INDEX(p.rhs[s]);
            if (kind == QH_SYMBOL_KIND(QH_T(0))) {
                EXPECT_LT(index, g.terminal_count - 1) << "the end marker is not a symbol";
            } else if (kind == QH_SYMBOL_KIND(QH_N(0))) {
                EXPECT_LT(index, g.nonterminal_count);
            } else {
                ASSERT_EQ(kind, QH_SYMBOL_KIND(QH_A(0)));
                ASSERT_LT(index, g.action_count);
                EXPECT_GT(s, 0) << "an action follows the symbol it stores";
            }
        }
    }
    for (bool d : defined) EXPECT_TRUE(d);
    EXPECT_EQ(g.start, 0);

    int starts = 0;
    for (int32_t a = 0; a < g.action_count; ++a) {
        const qh_action &act = g.actions[a];
        if (act.kind == QH_ACT_START_RECORD) {
            ++starts;
            EXPECT_TRUE(act.arg == kProcRecordSlots || act.arg == kModelRecordSlots || act.arg == kClassRecordSlots ||
                        act.arg == kByRecordSlots);
        } else if (act.kind == QH_ACT_SET_FLAG) {
            EXPECT_GE(act.arg, 1);
            EXPECT_LE(act.arg, 32);  // a bit of the record's 32-bit flags word
        } else {
            EXPECT_GE(act.slot, 1);
            EXPECT_LE(act.slot, act.target == QH_TARGET_PROC ? kProcRecordSlots : kModelRecordSlots);
        }
    }
    EXPECT_EQ(starts, 4);
}

} // namespace
} // namespace quill::proc
