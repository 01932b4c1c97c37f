// The key-matrix text handed to the chip protocol.
#include "fuzzharness.h"

#include "device/ic553.h"
#include "model/mousedata.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzHarness::init(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    MouseData::instance()->deviceType = data[0] % 8 == 7 ? 255 : data[0] % 8;
    const QString text = QString::fromUtf8(FuzzHarness::bytes(data + 1, size - 1));
    FuzzHarness::takeSentCount();
    Ic553::instance()->setKeys(text);
    const int sent = FuzzHarness::takeSentCount();
    FuzzHarness::require(sent <= 1, "more than one key command", text);
    if (text.split(QLatin1Char('_')).size() >= 64)
        FuzzHarness::require(sent == 1, "a full key matrix was not sent", text);
    return 0;
}
