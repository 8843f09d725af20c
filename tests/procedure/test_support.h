// Small helpers shared by the procedure tests: columns of a data set and a CLASS statement; the
// slot and flag names are the grammar's own.
#ifndef QUILL_TESTS_PROCEDURE_TEST_SUPPORT_H
#define QUILL_TESTS_PROCEDURE_TEST_SUPPORT_H

#include "fake_engine.h"
#include "fake_host.h"
#include "statements/statement_slots.h"

namespace quill::proc::testing {

inline column num(const std::string &name, std::vector<double> values) {
    return column{name, QH_VAR_NUMERIC, std::move(values), {}};
}
inline column chr(const std::string &name, std::vector<std::string> values) {
    return column{name, QH_VAR_CHARACTER, {}, std::move(values)};
}

// A CLASS statement naming `variables`.
inline qh_statement *class_statement(fake_host &h, const std::vector<std::string> &variables) {
    qh_statement *record = h.add_statement("CLASS", kClassRecordSlots);
    h.set_vars(record, class_slot_variables, variables);
    return record;
}

} // namespace quill::proc::testing

#endif
