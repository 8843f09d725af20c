// The DATA step's run of its compiled program: one iteration after another, each running the
// statements from the top. Its members are held by three files: step_runner.cpp (the iterations,
// the outputs and the statements), step_reading.cpp (SET, MERGE and INPUT taking observations)
// and step_loops.cpp (the DO loops).
#ifndef QUILL_HOST_STEPS_DATA_STEP_STEP_RUNNER_H
#define QUILL_HOST_STEPS_DATA_STEP_STEP_RUNNER_H

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "data/output_dataset.h"
#include "modules/session.h"
#include "steps/data_step/step_program.h"

namespace quill::host {

// What a statement leaves the iteration to do next.
enum class StepFlow { Next, Delete, Stop, EndOfData, Leave, Continue, Return, Failed };

class StepRunner {
public:
    StepRunner(Session &session, StepProgram &program) : session_(session), p_(program), values_(program.pdv.values) {}

    // Every iteration; false when the step stopped with an error.
    bool run();
    bool commit();
    void discard();

private:
    // The iterations, the outputs and the statements (step_runner.cpp).
    bool create_outputs();
    void reset_all();
    void reset_iteration();
    bool write(size_t k);
    bool write_all();
    void assign(int slot, int expr);
    bool fail(const std::string &message);
    StepFlow exec(int index);
    StepFlow halt();
    StepFlow exec_statement(int index);
    StepFlow call(const Stmt &s);
    StepFlow put(const Stmt &s);
    bool equal(int a, int b) const;
    std::string values_line() const;
    void report_events();

    // Reading observations (step_reading.cpp).
    bool fetch(Reader &r, int at, int &input, int &buffer, std::string &error, bool &failed);
    StepFlow read(Reader &r);
    StepFlow read_by_groups(Reader &r);
    StepFlow fail_read(const std::string &error);

    // DO loops (step_loops.cpp).
    enum class Pass { Again, ItemDone, LoopDone };
    StepFlow block(const std::vector<int> &children);
    StepFlow loop_limit(const Stmt &s);
    bool body(const Stmt &s, StepFlow &flow);
    StepFlow do_range(const Stmt &s);
    bool do_item(const Stmt &s, const DoItem &item, StepFlow &flow);
    Pass pass(const Stmt &s, const DoItem &item, StepFlow &flow);
    StepFlow do_conditional(const Stmt &s);

    Session &session_;
    std::unordered_set<const Stmt *> reported_; // CALL statements whose failure was shown with the values
    StepProgram &p_;
    Row &values_;
    std::vector<std::unique_ptr<OutputDataset>> outs_;
    std::vector<Row> rows_;
    long long reads_this_time_ = 0;
    long long loop_passes_ = 0; // DO loop passes in this iteration
    int logged_ = 0;
};

} // namespace quill::host

#endif
