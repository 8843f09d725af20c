// The parameter slots and flags of the PROC QUILLFIT statement records. The grammar stores into
// them and the statement checks read them, both from this one list.
#ifndef QUILL_PROC_STATEMENT_SLOTS_H
#define QUILL_PROC_STATEMENT_SLOTS_H

#include <cstdint>

namespace quill::proc {

// The PROC record.
enum proc_slot : int16_t {
    slot_data = 1,
    slot_outbetas = 2, slot_outerrs = 3, slot_outinfo = 4, slot_outpred = 5,
    slot_id = 6, slot_outpath = 7, slot_forcein = 9, slot_selection = 10, slot_df = 11, slot_algorithm = 12,
    slot_criterion = 13, slot_maxiter = 14, slot_minlambda = 15, slot_maxlambda = 16,
    slot_gridsize = 17, slot_a = 18, slot_weight = 19, slot_dist = 20, slot_maxlambda_full = 21,
    slot_ebicgamma = 22, slot_folds = 23, slot_seed = 24, slot_fold = 25, slot_cvrule = 26,
    slot_cvrule_number = 27, // CVRULE 1SE is read as the number 1, then the name SE
    slot_penalty = 28,
    proc_slot_last = slot_penalty
};
constexpr int16_t kProcRecordSlots = 30; // the record's size; slots above the last are spare
static_assert(proc_slot_last <= kProcRecordSlots, "the PROC record must hold every slot");

enum proc_flag : int16_t {
    flag_noprint = 1, flag_details = 2, flag_robust = 3, flag_unshrink_se = 4,
    flag_plot_path = 5, flag_plot_criterion = 6, flag_warmstart = 7, flag_refit = 8
};

// The MODEL record: response = predictors / options.
enum model_slot : int16_t { model_slot_response = 1, model_slot_predictors = 2, model_slot_offset = 3 };
constexpr int16_t kModelRecordSlots = 3;
static_assert(model_slot_offset <= kModelRecordSlots);
enum model_flag : int16_t { flag_noint = 1, flag_ydescending = 2 };

// The CLASS record: variables / DESCENDING.
enum class_slot : int16_t { class_slot_variables = 1 };
constexpr int16_t kClassRecordSlots = 2;
static_assert(class_slot_variables <= kClassRecordSlots);
enum class_flag : int16_t { flag_descending = 1 };

// The BY record: every BY variable in order, and again each one written after DESCENDING.
enum by_slot : int16_t { by_slot_variables = 1, by_slot_descending = 2 };
constexpr int16_t kByRecordSlots = 2;
static_assert(by_slot_descending <= kByRecordSlots);

} // namespace quill::proc

#endif
