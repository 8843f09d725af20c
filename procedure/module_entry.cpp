// The module's only export: mcn_main keeps the host's interface vector and tells the host what
// this module is (the image information record naming the procedure and its body).
#include "host_link.h"
#include "module_interface.h"

namespace quill::proc {
void proc_main();
}

namespace {

const qh_module_descriptor kDescriptor = {
    {'Q', 'U', 'I', 'L', 'L', 'F', 'I', 'T'},
    &quill::proc::proc_main,
};

const qh_image_information kImageInformation = {
    QH_IMAGE_INFORMATION_TAG, "9.00", "9.00.0001M060102", __DATE__, &kDescriptor,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const qh_image_information *
mcn_main(const qh_interface_vector *vector, void * /*unused*/) {
    quill::proc::keep_interface_vector(vector);
    return &kImageInformation;
}
