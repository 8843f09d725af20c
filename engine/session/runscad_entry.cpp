// The C boundary of the engine: the one exported function. Placeholder until the session
// layer lands: every call fails with a readable message.
#include "quill/runscad.h"

#include <cstring>

extern "C" QUILL_EXPORT void runscad(int32_t, int32_t, const double*, const double*, const double*,
                                     const uint8_t*, const int32_t*, int32_t, double, double*, double*,
                                     int32_t, double, double*, double* intercept_out, double*, double*,
                                     double*, double*, double*, int32_t*, int32_t*, int32_t*, int32_t*,
                                     uint8_t* converged_out, uint8_t*, uint8_t*, uint8_t* error_flag,
                                     int32_t msg_len, int32_t* message_codes) {
    *error_flag = 0xFF;
    *converged_out = 0;
    *intercept_out = 0.0;
    const char text[] = "Estimation is not available in this build.";
    int32_t i = 0;
    for (; i < msg_len; ++i) message_codes[i] = 32;
    for (i = 0; i + 1 < msg_len && text[i]; ++i) message_codes[i] = static_cast<unsigned char>(text[i]);
    if (i < msg_len) message_codes[i] = 0;
}
