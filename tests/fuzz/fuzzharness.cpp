#include "fuzzharness.h"

#include "device/commandtext.h"
#include "device/controller.h"
#include "device/datapaths.h"
#include "device/ic553.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {
QTemporaryDir *s_base = nullptr;
QString s_root;
int s_counter = 0;
int s_sent = 0;

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}
} // namespace

void FuzzHarness::init(int *argc, char ***argv)
{
    static int appArgc = *argc;
    new QCoreApplication(appArgc, *argv);
    qInstallMessageHandler(quiet);
    s_base = new QTemporaryDir;
    freshRoot();

    Controller *controller = Controller::instance();
    // Nothing goes to the worker: what the mouse would be sent is checked on this thread.
    QObject::disconnect(controller, &Controller::send, nullptr, nullptr);
    QObject::disconnect(controller, &Controller::receive, nullptr, nullptr);
    QObject::connect(controller, &Controller::send, controller, &FuzzHarness::checkCommand,
                     Qt::DirectConnection);
    QObject::connect(controller, &Controller::receive, controller, &FuzzHarness::checkCommand,
                     Qt::DirectConnection);
    controller->setCurrentIc(Ic553::instance());
}

QString FuzzHarness::freshRoot()
{
    if (!s_root.isEmpty())
        QDir(s_root).removeRecursively();
    // A new path for every input: QSettings caches files by path and modification time.
    s_root = s_base->path() + QStringLiteral("/r%1").arg(++s_counter);
    QDir().mkpath(s_root + QStringLiteral("/data"));
    QDir().mkpath(s_root + QStringLiteral("/i18n"));
    DataPaths::setRoot(s_root);
    return s_root;
}

void FuzzHarness::writeFile(const QString &relative, const QByteArray &bytes)
{
    QFile f(s_root + QLatin1Char('/') + relative);
    require(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write a temporary file", f.fileName());
    f.write(bytes);
}

QByteArray FuzzHarness::bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

QByteArray FuzzHarness::shipped(const QString &relative)
{
    QFile f(QStringLiteral(MOUSECFG_FUZZ_SOURCE_DIR "/") + relative);
    require(f.open(QIODevice::ReadOnly), "shipped file missing", f.fileName());
    return f.readAll();
}

int FuzzHarness::takeSentCount()
{
    const int n = s_sent;
    s_sent = 0;
    return n;
}

void FuzzHarness::require(bool condition, const char *what, const QString &detail)
{
    if (condition)
        return;
    std::fprintf(stderr, "FINDING: %s: %s\n", what, detail.left(2000).toLocal8Bit().constData());
    std::abort();
}

// Whatever the settings held, a text the transport refuses is a change that silently never
// reaches the mouse: every text must split at its own length and carry its checksum.
void FuzzHarness::checkCommand(int dataLength, const QString &text)
{
    ++s_sent;
    uchar feature[CommandText::FeatureSize] = {};
    static uchar data[CommandText::MaxDataLength];
    require(dataLength == 0 || dataLength == 64 || dataLength == 192, "unexpected data length",
            QString::number(dataLength));
    require(CommandText::split(text, dataLength, feature, data), "command text refused by the transport",
            QStringLiteral("%1: %2").arg(dataLength).arg(text));
    for (const QString &part : text.split(QLatin1Char('_'))) {
        bool ok = false;
        const int n = part.toInt(&ok);
        require(ok && n >= 0 && n <= 255 && part == QString::number(n), "number outside a byte", text);
    }
    require(feature[0] == 0, "report ID not 0", text);
    switch (feature[1]) {
    case 1: case 3: case 5: case 12: case 135:
        require(feature[8] == CommandText::checksum(feature), "wrong checksum", text);
        break;
    case 6: case 7: case 8: case 23: case 24:
        require(feature[8] == 0, "last byte of an unchecked command not 0", text);
        break;
    default:
        require(false, "unknown command code", text);
    }
}
