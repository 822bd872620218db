// The monitor fed with arbitrary datagrams: decoding, the model and the plain table. The input is
// split at each "|||" into datagrams that arrive 0.3 s apart. One model serves every input, so
// that histories wrap and the row cap is reached.
#include "plain.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static Model model;
    Message message;
    const uint8_t *end = data + size;
    for (double t = 0; data < end; t += 0.3) {
        const uint8_t *next = static_cast<const uint8_t *>(memmem(data, end - data, "|||", 3));
        size_t length = (next ? next : end) - data;
        decodeMessage(data, length, message) ? model.add(message, t) : model.addMalformed();
        data += length + (next ? 3 : 0);
    }
    renderPlain(model, Status{}, 20);
    return 0;
}
