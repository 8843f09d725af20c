/*
 * How a host loads a procedure module and how the module reaches the host's services.
 *
 * The host dlopens NAME.so and calls its only export, `mcn_main`, with the interface vector.
 * mcn_main keeps the vector and returns the image information record, whose descriptor names
 * the procedure and its body. For each step the host calls the body; the body loads the
 * procedure interface module "SASPROCI" through the vector and calls its entry, which fills the
 * routine table and clears the parse area.
 */
#ifndef QUILL_HOST_API_MODULE_INTERFACE_H
#define QUILL_HOST_API_MODULE_INTERFACE_H

#include <stdint.h>

#include "routine_table.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Entry of a procedure interface module. */
typedef void (*qh_proci_entry)(qh_routines *table, qh_parse_area *area);

typedef struct qh_interface_vector {
    int32_t version;          /* QH_INTERFACE_VERSION */
    const char *debug_option; /* the host's DEBUG option text; "" when not set */
    /* A host module by name ("SASPROCI", "SASPROCD"); NULL when it cannot be loaded. */
    qh_proci_entry (*load_module)(const char *name);
    /* Log and end of run before the routine table is filled. */
    void (*log)(const char *format, ...);
    void (*end_run)(int32_t return_code, int32_t reserved) QH_NORETURN;
    /* From version 2. The thread limit the program's options set for the step, beside the
     * DEBUG text: 0 when they set none (a procedure follows its own default), else at most
     * this many threads; QH_EVERY_CORE for every core. A procedure reads it only when
     * `version` is 2 or more. */
    int32_t thread_limit;
} qh_interface_vector;

#define QH_INTERFACE_VERSION 2
#define QH_EVERY_CORE INT32_MAX
#define QH_IMAGE_INFORMATION_TAG "SAS_Image_Information="

typedef struct qh_module_descriptor {
    char proc_name[8];       /* the procedure name, upper case, blank-filled, no zero byte */
    void (*proc_main)(void); /* the procedure body: one run */
} qh_module_descriptor;

typedef struct qh_image_information {
    char tag[24];             /* QH_IMAGE_INFORMATION_TAG, zero-terminated */
    char release[8];          /* host release the module was built for, e.g. "9.00" */
    char release_detail[24];  /* e.g. "9.00.0001M060102" */
    char build_date[16];      /* e.g. "Dec  8 2026" */
    const qh_module_descriptor *descriptor;
} qh_image_information;

/* The module export. */
typedef const qh_image_information *(*qh_mcn_main)(const qh_interface_vector *vector, void *unused);

#ifdef __cplusplus
}
#endif

#endif
