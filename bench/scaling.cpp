// How the device check, the profile files and the macro store grow with their sizes.
//   bench_scaling [REPEATS]
// Runs from the build's bin/ directory (its data/ holds the shipped catalogue and defaults).
#include "bench/benchrow.h"
#include "bench/benchtree.h"
#include "device/datapaths.h"
#include "device/deviceentry.h"
#include "device/worker.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "sim/vmouse.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

double medianMs(int repeats, const std::function<void()> &work,
                const std::function<void(int)> &before = nullptr)
{
    std::vector<double> ms;
    for (int i = 0; i < repeats; ++i) {
        if (before)
            before(i);
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// The shipped catalogue's seven families, then entries for mice that are not attached.
// variant changes one byte that means nothing to the device check.
bool writeCatalogue(const QString &file, int entries, int variant = 0)
{
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&f);
    out << "[common]\ndeviceCount=" << entries << "\nlanguage=English\n" << "edit=" << variant % 10 << "\n\n"
        << "[mouse]\nmaxDpi=12000\nminDpi=200\nstepDpi=100\n\n";
    for (int i = 0; i < entries; ++i) {
        const int pid = i < 7 ? 0x7a01 + i : 0x7b00 + i;
        out << "[" << i << "]\ntype=" << (i < 7 ? i : 0) << "\nvid=f0e1\npid="
            << QString::number(pid, 16) << "\nusagePage=ff00\nusage=1\nusagePage2=ff01\nusage2=1\n"
            << "reportLength=" << (i == 5 || i == 6 ? 64 : 32) << "\nisEncode=false\nsCode=123456\n\n";
    }
    return true;
}

void deviceCheck(const QString &root, int repeats)
{
    double first = -1;
    double at70 = -1, at700 = -1, edited70 = -1, edited700 = -1;
    double enumerations = -1;
    for (int devices : {1, 50}) {
        for (int entries : {7, 70, 700}) {
            vmouse_reset();
            if (vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32) < 0)
                return;
            // Other HID devices on the bus: keyboards, hubs, other vendors' mice.
            for (int i = 1; i < devices; ++i)
                vmouse_add_decoy(quint16(0x1000 + i), quint16(0x0100 + i), 1, quint16(2 + i % 5));
            if (!writeCatalogue(root + "/data/apConfig.bin", entries))
                return;
            if (devices == 1) {
                // The file alone, to tell its cost from the enumeration's.
                const double read = medianMs(repeats, [] { DeviceEntry::loadCatalogue(DataPaths::configFile()); });
                BenchRow::info("catalogue read alone, " + std::to_string(entries) + " entries", read, "ms");
            }
            Worker worker;
            int result = -2;
            QObject::connect(&worker, &Worker::checkFinish, [&](int r) { result = r; });
            const unsigned enumerated = vmouse_enumerations();
            const double ms = medianMs(repeats, [&] { worker.checkDevice(); });
            enumerations = std::max(enumerations, double(vmouse_enumerations() - enumerated) / repeats);
            // The same after an edit of the file: its entries are parsed again.
            const QString file = root + "/data/apConfig.bin";
            const double edited = medianMs(repeats, [&] { worker.checkDevice(); },
                                           [&](int i) { writeCatalogue(file, entries, i + 1); });
            if (devices == 50 && entries == 70) {
                at70 = ms;
                edited70 = edited;
            }
            if (devices == 50 && entries == 700) {
                at700 = ms;
                edited700 = edited;
            }
            if (result != 0)
                std::fprintf(stderr, "bench_scaling: device check found %d, not family 0\n", result);
            if (first < 0)
                first = ms;
            BenchRow::info("device check, " + std::to_string(entries) + " catalogue entries, "
                               + std::to_string(devices) + " HID device" + (devices > 1 ? "s" : ""),
                           ms, "ms", "7 entries, 1 device", BenchRow::fixed(ms / first, "x"));
        }
    }
    vmouse_reset();
    // Linear: ten times the entries cost at most ten times as much.
    BenchRow::ratio("device check, 700 against 70 catalogue entries, 50 HID devices", at700, at70, "ms", 10.0);
    BenchRow::ratio("device check after a catalogue edit, 700 against 70 entries", edited700, edited70, "ms", 10.0);
    BenchRow::bound("HID enumerations per device check", enumerations, "", "-", 1, true);
}

QString macroActions(int index)
{
    // Ten keys, each pressed, held and released, with pauses: 41 items.
    QStringList items{QString::number(1 + index % 3)};
    const QStringList keys{"A", "S", "D", "F", "Space", "LCtrl", "1", "2", "Q", "E"};
    for (const QString &k : keys)
        items << k + "_-1" << "35_-2" << k + "_-0" << "20_-2";
    return items.join(QStringLiteral("@#"));
}

// Qt keeps every settings file it has read and reads it again only when it changed on disk,
// so a load is timed on a copy under a path this process has never read.
class FreshCopies
{
public:
    FreshCopies(const QString &file, int count) : original(DataPaths::root())
    {
        const QString rel = QDir(original).relativeFilePath(file);
        for (int i = 0; i < count; ++i) {
            const QString target = dir.path() + QStringLiteral("/%1/").arg(i) + rel;
            QDir().mkpath(QFileInfo(target).path());
            QFile::copy(file, target);
        }
    }
    ~FreshCopies() { DataPaths::setRoot(original); }
    void use(int i) { DataPaths::setRoot(dir.path() + QStringLiteral("/%1").arg(i)); }

private:
    QString original;
    QTemporaryDir dir;
};

void macroStore(int repeats)
{
    MacroData *store = MacroData::instance();
    store->save(); // the first write of a process pays for more than the file
    double firstLoad = -1, firstSave = -1;
    for (int count : {10, 100, 1000}) {
        QStringList names, actions;
        for (int i = 0; i < count; ++i) {
            names << QStringLiteral("macro %1").arg(i);
            actions << macroActions(i);
        }
        QFile::remove(DataPaths::macroStore());
        const double save = medianMs(repeats, [&] {
            store->macroNames() = names;
            store->macroActions() = actions;
            store->save();
        });
        double load = 0;
        {
            FreshCopies copies(DataPaths::macroStore(), repeats);
            load = medianMs(repeats, [&] { store->load(); }, [&](int i) { copies.use(i); });
        }
        if (store->macroNames().size() != count || store->macroActions() != actions)
            std::fprintf(stderr, "bench_scaling: macro store of %d did not read back\n", count);
        if (firstLoad < 0) {
            firstLoad = load;
            firstSave = save;
        }
        const std::string n = std::to_string(count);
        BenchRow::info("macro store save, " + n + " macros", save, "ms", "10 macros",
                       BenchRow::fixed(save / firstSave, "x"));
        BenchRow::info("macro store load, " + n + " macros", load, "ms", "10 macros",
                       BenchRow::fixed(load / firstLoad, "x"));
    }
}

void profile(int repeats)
{
    MouseDefaultData::instance()->load();
    MouseData *model = MouseData::instance();
    model->load(0);
    model->fillMissingFromDefaults();
    const double save = medianMs(repeats, [&] { model->save(0); });
    FreshCopies copies(DataPaths::profileFile(0), repeats);
    const double load = medianMs(repeats, [&] { model->load(0); }, [&](int i) { copies.use(i); });
    BenchRow::info("profile save (p0.bin)", save, "ms");
    BenchRow::info("profile load (p0.bin)", load, "ms");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    QTemporaryDir dir;
    const QString bin = QCoreApplication::applicationDirPath();
    if (!dir.isValid() || !BenchTree::copy(bin + "/data", dir.path() + "/data")
        || !BenchTree::copy(bin + "/i18n", dir.path() + "/i18n")) {
        std::fprintf(stderr, "bench_scaling: cannot copy data/ and i18n/ from %s\n", qPrintable(bin));
        return 1;
    }
    DataPaths::setRoot(dir.path());
    profile(repeats);
    macroStore(repeats);
    deviceCheck(dir.path(), repeats);
    return 0;
}
