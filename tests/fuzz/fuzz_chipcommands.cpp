// Settings texts of the DPI levels, report rate, lighting and colours.
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
    MouseData::instance()->deviceType = (data[0] >> 2) % 8 == 7 ? 255 : (data[0] >> 2) % 8;
    const QString text = QString::fromUtf8(FuzzHarness::bytes(data + 1, size - 1));
    Ic553 *ic = Ic553::instance();
    FuzzHarness::takeSentCount();
    switch (data[0] & 3) {
    case 0: ic->setDpi(text); break;
    case 1: ic->setReportRate(text); break;
    case 2: ic->setLighting(text); break;
    default: ic->setColors(text); break;
    }
    FuzzHarness::require(FuzzHarness::takeSentCount() <= 4, "too many commands for one setting", text);
    return 0;
}
