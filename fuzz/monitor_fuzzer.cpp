// The monitor fed with arbitrary datagrams: decoding, the model and the plain table. One model and
// clock serve every input, so that histories wrap and the row cap is reached.
#include "decode.h"
#include "plain.h"

using namespace monitor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static Model model;
    static double now = 0;
    Message message;
    decodeMessage(data, size, message) ? model.add(message, now += 0.3) : model.addMalformed();
    renderPlain(model, Status{}, now, static_cast<int>(size % 200));
    return 0;
}
