// Any bytes as the profile file: load, fill from the factory file, send, save, load again.
#include "fuzzharness.h"

#include "device/ic553.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "model/settingsio.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzHarness::init(argc, argv);
    return 0;
}

namespace {
// The 18 numbers the DPI page hands to the chip protocol.
QString dpiText(const MouseData *m)
{
    QVariantList all;
    for (int i = 0; i < 8; ++i)
        all << m->xDpiList.value(i);
    for (int i = 0; i < 8; ++i)
        all << m->yDpiList.value(i);
    all << m->currentDpiLevel << ((1 << qBound(1, int(m->currentDpiCount), 5)) - 1);
    return SettingsIo::joinNumbers(all);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    FuzzHarness::freshRoot();
    FuzzHarness::writeFile(QStringLiteral("data/pD.bin"), FuzzHarness::shipped(QStringLiteral("data/pD.bin")));
    FuzzHarness::writeFile(QStringLiteral("data/apConfig.bin"), FuzzHarness::shipped(QStringLiteral("data/apConfig.bin")));
    FuzzHarness::writeFile(QStringLiteral("data/p0.bin"), FuzzHarness::bytes(data + 1, size - 1));

    MouseData *m = MouseData::instance();
    MouseDefaultData::instance()->load();
    m->load(0);
    m->fillMissingFromDefaults();
    m->deviceType = data[0] % 7;
    MouseDefaultData::instance()->loadDeviceFamily(m->deviceType);
    m->loadDeviceFamily();
    m->ensureDpiListSize();
    FuzzHarness::takeSentCount();
    m->sendAllKeys();
    FuzzHarness::require(FuzzHarness::takeSentCount() == 3, "keys and lighting of a filled profile not all sent");
    Ic553::instance()->setDpi(dpiText(m));
    FuzzHarness::require(FuzzHarness::takeSentCount() == 4, "DPI levels of a filled profile not sent");

    // What was loaded survives a save and a load.
    const QString keys = m->keyMatrixText();
    const QVariantList x = m->xDpiList;
    const QVariantList light = m->lightValue;
    const QVariantList colors = m->colorValue;
    const QString program = m->runProgram;
    const QString web = m->runHttps;
    const uchar rate = m->reportRate;
    FuzzHarness::require(m->save(0), "profile not written");
    m->load(0);
    m->loadDeviceFamily();
    FuzzHarness::require(m->keyMatrixText() == keys, "key matrix changed by save and load", keys + " / " + m->keyMatrixText());
    FuzzHarness::require(SettingsIo::joinNumbers(m->xDpiList) == SettingsIo::joinNumbers(x), "DPI list changed by save and load");
    FuzzHarness::require(SettingsIo::joinNumbers(m->lightValue) == SettingsIo::joinNumbers(light), "lighting changed by save and load");
    FuzzHarness::require(SettingsIo::joinNumbers(m->colorValue) == SettingsIo::joinNumbers(colors), "colours changed by save and load");
    FuzzHarness::require(m->runProgram == program, "program path changed by save and load", program + " / " + m->runProgram);
    FuzzHarness::require(m->runHttps == web, "web address changed by save and load", web + " / " + m->runHttps);
    FuzzHarness::require(m->reportRate == rate, "report rate changed by save and load");
    return 0;
}
