// Any bytes as the application configuration: the device check against an attached virtual
// mouse, the family's limits and DPI lists, and the language choice.
#include "fuzzharness.h"

#include "device/deviceentry.h"
#include "device/datapaths.h"
#include "device/worker.h"
#include "model/languagetable.h"
#include "model/mousedata.h"
#include "sim/vmouse.h"


namespace {
Worker *s_worker = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzHarness::init(argc, argv);
    vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
    s_worker = new Worker;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzHarness::freshRoot();
    FuzzHarness::writeFile(QStringLiteral("data/apConfig.bin"), FuzzHarness::bytes(data, size));
    FuzzHarness::writeFile(QStringLiteral("data/pD.bin"), FuzzHarness::shipped(QStringLiteral("data/pD.bin")));

    const QList<DeviceEntry> entries = DeviceEntry::loadCatalogue(DataPaths::configFile());
    FuzzHarness::require(entries.size() <= DeviceEntry::MaxEntries, "catalogue longer than its bound");
    for (const DeviceEntry &e : entries)
        FuzzHarness::require(e.reportLength >= 1 && e.reportLength <= DeviceEntry::MaxReportLength,
                             "report length outside 1..MaxReportLength");

    QList<int> found;
    const QMetaObject::Connection c = QObject::connect(s_worker, &Worker::checkFinish,
                                                       [&found](int index) { found << index; });
    s_worker->checkDevice();
    QObject::disconnect(c);
    FuzzHarness::require(found.size() == 1, "a device check without its result");
    const int index = found.at(0);
    FuzzHarness::require(index == -1 || (index >= 0 && index < s_worker->catalogue().size()),
                         "device check reported an index outside the catalogue", QString::number(index));
    if (index >= 0) {
        const int length = s_worker->catalogue().at(index).reportLength;
        // The usual lengths are covered by the device tests; a write paces for 64 ms, so only
        // unusual ones are written here.
        if (length != 32 && length != 64) {
            QString text = QStringLiteral("0_12_0_0_1_0_0_0_242");
            for (int i = 0; i < 64; ++i)
                text += QStringLiteral("_%1").arg(i);
            s_worker->sendDataProc(64, text);
        }
    }

    MouseData *m = MouseData::instance();
    m->deviceType = uchar(index >= 0 && index <= 6 ? index : 255);
    m->loadDeviceFamily();
    (void)LanguageTable::activeFile();
    return 0;
}
