// The monitor fed with arbitrary datagrams: decoding, the model, the plain table and the OSCQuery
// namespace; and the same bytes as a WebSocket client's command. One model and clock serve every
// input, so that histories wrap and the row cap is reached.
#include "command.h"
#include "decode.h"
#include "plain.h"
#include "query_tree.h"

using namespace monitor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static Model model;
    static double now = 0;
    static unsigned inputs = 0;
    Message message;
    decodeMessage(data, size, message) ? model.add(message, now += 0.3) : model.addMalformed();
    renderPlain(model, Status{}, now, static_cast<int>(size % 200));
    if (++inputs % 64 == 0) // the whole tree costs most
        answerQuery(model, "/", "", "fuzz");
    if (!message.address.empty())
        answerQuery(model, message.address, size % 2 ? "VALUE" : "", "fuzz");
    parseCommand(std::string_view(reinterpret_cast<const char *>(data), size));
    return 0;
}
