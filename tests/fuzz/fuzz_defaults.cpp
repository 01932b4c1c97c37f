// Any bytes as the factory file: load, per-family lists, restore on the mouse, fill a profile.
#include "fuzzharness.h"

#include "model/mousedata.h"
#include "model/mousedefaultdata.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzHarness::init(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    FuzzHarness::freshRoot();
    FuzzHarness::writeFile(QStringLiteral("data/pD.bin"), FuzzHarness::bytes(data + 1, size - 1));
    MouseDefaultData *d = MouseDefaultData::instance();
    MouseData *m = MouseData::instance();
    d->load();
    FuzzHarness::require(d->defaultKeyMatrix.size() <= 16, "more than 16 factory keys");
    d->loadDeviceFamily(data[0] % 9 - 1);
    FuzzHarness::takeSentCount();
    d->restoreDefaultKeys();
    FuzzHarness::require(FuzzHarness::takeSentCount() <= 3, "restore sent more than keys and lighting");
    m->load(0); // no profile: everything from the factory file
    m->fillMissingFromDefaults();
    m->ensureDpiListSize();
    for (const QVariantList *list : {&m->xDpiList, &m->yDpiList}) {
        for (const QVariant &v : *list)
            FuzzHarness::require(v.toString().trimmed().toUInt() != 0, "a DPI level of 0 after filling");
    }
    return 0;
}
