// Many changes through the model: memory stays flat. The model side runs 10,000 key
// assignments and 1,000 lighting changes against a recording chip protocol; a smaller number
// goes end to end through the worker to the virtual mouse, which takes 32 ms per command.
#include "device/controller.h"
#include "device/datapaths.h"
#include "device/ic.h"
#include "device/ic553.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "sim/vmouse.h"
#include "sim/vmousestate.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <malloc.h>

#if defined(__SANITIZE_ADDRESS__)
#define SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOAK_ASAN 1
#endif
#endif
#ifdef SOAK_ASAN
// From the sanitizer runtime (its header does not come with every compiler).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
// Freed memory otherwise sits in a 256 MB quarantine and the resident size says nothing.
extern "C" const char *__asan_default_options() { return "quarantine_size_mb=4"; }
#endif

namespace {
// Counts what the model hands on; keeps only the last text, so that recording costs no memory.
class CountingIc : public Ic
{
public:
    int keys = 0, colors = 0, lighting = 0, other = 0;
    QString lastKeys, lastLighting;
    void reset() { keys = colors = lighting = other = 0; }
    void setLighting(const QString &v) override { ++lighting; lastLighting = v; }
    void setDpi(const QString &) override { ++other; }
    void readCurrentDpiLevel() override { ++other; }
    void setReportRate(const QString &) override { ++other; }
    void setKeys(const QString &v) override { ++keys; lastKeys = v; }
    void setColors(const QString &) override { ++colors; }
    void setMacro(uchar, const QString &) override { ++other; }
    void parseReply(const QString &) override { ++other; }
};

qint64 residentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Bytes the allocator has handed out and not got back.
qint64 liveHeap()
{
#ifdef SOAK_ASAN
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    return qint64(mallinfo2().uordblks);
#endif
}

struct Usage
{
    qint64 rssKb, heap;
    static Usage now() { return {residentKb(), liveHeap()}; }
};

void assignKey(MouseData *m, int i)
{
    m->currentKey = uchar(3 + i % 4);
    const uchar key = uchar(4 + i % 26);
    m->setKeyFunction(0, 0, key, uchar(i % 3 == 0 ? 0xe1 : 0), m->keyNames.value(key));
}

void changeLighting(MouseData *m, int i)
{
    m->lightValue = {i % 6, i % 5, (i / 5) % 5, i % 6};
    m->colorValue[(i % 6) * 3] = i % 256;
    m->sendLighting();
}

void report(const char *what, int count, const Usage &a, const Usage &b)
{
    qInfo("%s x%d: VmRSS %lld -> %lld kB (%+lld kB), live heap %lld -> %lld bytes (%+lld)", what, count,
          a.rssKb, b.rssKb, b.rssKb - a.rssKb, a.heap, b.heap, b.heap - a.heap);
}
} // namespace

class TestMemory : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void modelSideKeysAndLighting();
    void endToEndThroughTheWorker();

private:
    QTemporaryDir dir;
};

void TestMemory::initTestCase()
{
    QVERIFY(dir.isValid());
    const QString bin = QStringLiteral(MOUSECFG_BIN_DIR);
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("data"))));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("i18n"))));
    for (const char *f : {"data/apConfig.bin", "data/pD.bin", "i18n/English.ini", "i18n/ChineseSimplified.ini"})
        QVERIFY(QFile::copy(bin + QLatin1Char('/') + QLatin1String(f), dir.filePath(QLatin1String(f))));
    DataPaths::setRoot(dir.path());
    MouseData::instance()->load(0);
    MouseDefaultData::instance()->load();
    MouseData::instance()->fillMissingFromDefaults();
    QCOMPARE(MouseData::instance()->colorValue.size(), 24);
}

void TestMemory::cleanupTestCase()
{
    vmouse_reset();
    Controller::shutdown();
}

void TestMemory::modelSideKeysAndLighting()
{
    MouseData *m = MouseData::instance();
    CountingIc ic;
    Controller::instance()->setCurrentIc(&ic);
    // Warm up: first-use allocations (caches, the language table's texts) are not growth.
    for (int i = 0; i < 500; ++i) {
        assignKey(m, i);
        changeLighting(m, i);
    }
    ic.reset();

    const Usage before = Usage::now();
    for (int i = 0; i < 10000; ++i)
        assignKey(m, i);
    const Usage afterKeys = Usage::now();
    for (int i = 0; i < 1000; ++i)
        changeLighting(m, i);
    const Usage afterLighting = Usage::now();
    Controller::instance()->setCurrentIc(nullptr);

    report("key assignments (model)", 10000, before, afterKeys);
    report("lighting changes (model)", 1000, afterKeys, afterLighting);
    // Every change reached the chip protocol: keys, then the lighting that follows them.
    QCOMPARE(ic.keys, 10000);
    QCOMPARE(ic.colors, 11000);
    QCOMPARE(ic.lighting, 11000);
    QCOMPARE(ic.lastKeys, m->keyMatrixText());
    QVERIFY(afterLighting.heap - before.heap < 256 * 1024);
    QVERIFY(afterLighting.rssKb - before.rssKb < 16 * 1024);
}

void TestMemory::endToEndThroughTheWorker()
{
    MouseData *m = MouseData::instance();
    vmouse_reset();
    const int mouse = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
    QSignalSpy checked(Controller::instance(), &Controller::deviceChecked);
    emit Controller::instance()->check();
    QVERIFY(checked.wait(10000));
    QCOMPARE(checked.at(0).at(0).toInt(), 0);
    QCOMPARE(Controller::instance()->currentIc(), static_cast<Ic *>(Ic553::instance()));

    const auto commands = [mouse] {
        vmouse_state st{};
        return vmouse_get_state(mouse, &st) == 0 ? st.commands : 0u;
    };
    const auto drain = [&](uint expected) {
        QTRY_COMPARE_WITH_TIMEOUT(commands(), expected, 30000);
    };
    // Warm-up round, then the measured one: 3 commands per key assignment, 2 per lighting change.
    uint expected = commands();
    for (int i = 0; i < 10; ++i)
        assignKey(m, i);
    expected += 30;
    drain(expected);

    // The virtual mouse keeps its trace in this process's heap: its growth is not ours.
    const qint64 traceBefore = qint64(vmouse_trace(nullptr, 0));
    const Usage before = Usage::now();
    constexpr int Keys = 60, Lights = 60;
    for (int i = 0; i < Keys; ++i)
        assignKey(m, i);
    for (int i = 0; i < Lights; ++i)
        changeLighting(m, i);
    expected += 3 * Keys + 2 * Lights;
    drain(expected);
    const Usage after = Usage::now();
    const qint64 traceGrowth = qint64(vmouse_trace(nullptr, 0)) - traceBefore;
    report("key assignments + lighting changes (end to end)", Keys + Lights, before, after);
    qInfo("of which the virtual mouse's trace: %lld bytes", traceGrowth);

    vmouse_state st{};
    QCOMPARE(vmouse_get_state(mouse, &st), 0);
    QCOMPARE(st.errors, 0u);
    const KeyFunction &k = m->keyMatrix.at(3 + (Keys - 1) % 4);
    QCOMPARE(st.keys[3 + (Keys - 1) % 4][2], k.param2);
    QCOMPARE(int(st.lightSlot), (Lights - 1) % 6);
    // A growing text may hold up to twice its length.
    QVERIFY(after.heap - before.heap - 2 * traceGrowth < 64 * 1024);
    QVERIFY(after.rssKb - before.rssKb < 16 * 1024);
}

QTEST_GUILESS_MAIN(TestMemory)
#include "tst_memory.moc"
