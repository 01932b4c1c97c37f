// Replies handed back by the transport, whatever bytes the mouse answered with.
#include "fuzzharness.h"

#include "device/ic553.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzHarness::init(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Ic553 *ic = Ic553::instance();
    ic->pendingRequest = size > 0 && data[0] == 0xFF ? 1 : 0;
    const QString reply = QString::fromUtf8(FuzzHarness::bytes(data, size));
    ic->parseReply(reply);
    ic->pendingRequest = 0;
    return 0;
}
