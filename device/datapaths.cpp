#include "device/datapaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>

namespace {
const char catalogueName[] = "data/apConfig.bin";

struct State
{
    bool decided = false;
    DataPaths::Layout layout = DataPaths::Layout::Portable;
    QString dataDir = QStringLiteral(".");
    QString writableDir = QStringLiteral("./data");
    QString forcedRoot;
};

// The worker thread reads the catalogue path while the GUI thread may still be deciding.
QMutex &stateLock()
{
    static QMutex lock;
    return lock;
}

State &state()
{
    static State s;
    return s;
}

void decide(State &s, const QString &executableDir)
{
    s.decided = true;
    if (QFileInfo::exists(executableDir + QLatin1Char('/') + QLatin1String(catalogueName))) {
        s.layout = DataPaths::Layout::Portable;
        s.dataDir = QStringLiteral(".");
        s.writableDir = QStringLiteral("./data");
        return;
    }
    s.layout = DataPaths::Layout::Installed;
    s.dataDir = QDir::cleanPath(executableDir + QStringLiteral("/../share/mousecfg"));
    // A program moved out of its prefix still finds a packaged copy of its files.
    if (!QFileInfo::exists(s.dataDir + QLatin1Char('/') + QLatin1String(catalogueName))) {
        const QString found = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                     QStringLiteral("mousecfg/") + QLatin1String(catalogueName));
        if (!found.isEmpty())
            s.dataDir = QDir::cleanPath(QFileInfo(found).absolutePath() + QStringLiteral("/.."));
    }
    s.writableDir = DataPaths::userConfigDir();
}

// Before the application object exists there is no executable directory to look at: such
// early lookups get the portable answer without fixing the layout.
const State &current()
{
    State &s = state();
    if (!s.decided && s.forcedRoot.isEmpty() && QCoreApplication::instance())
        decide(s, QCoreApplication::applicationDirPath());
    return s;
}

QString readOnly(const QString &relative)
{
    QMutexLocker locker(&stateLock());
    const State &s = current();
    const QString &dir = s.forcedRoot.isEmpty() ? s.dataDir : s.forcedRoot;
    return dir + QLatin1Char('/') + relative;
}

QString writable(const QString &name)
{
    QMutexLocker locker(&stateLock());
    const State &s = current();
    if (!s.forcedRoot.isEmpty())
        return s.forcedRoot + QStringLiteral("/data/") + name;
    return s.writableDir + QLatin1Char('/') + name;
}
} // namespace

QString DataPaths::shippedConfigFile() { return readOnly(QLatin1String(catalogueName)); }
QString DataPaths::userConfigFile() { return writable(QStringLiteral("apConfig.bin")); }

QString DataPaths::configFile()
{
    const QString user = userConfigFile();
    return QFileInfo::exists(user) ? user : shippedConfigFile();
}

QString DataPaths::profileFile(int profile)
{
    if (profile == -1)
        return defaultsFile();
    return writable(QStringLiteral("p%1.bin").arg(profile));
}

QString DataPaths::defaultsFile() { return readOnly(QStringLiteral("data/pD.bin")); }
QString DataPaths::macroStore() { return writable(QStringLiteral("macro.bin")); }

QString DataPaths::languageFile(const QString &name)
{
    return readOnly(QStringLiteral("i18n/%1.ini").arg(name));
}

QString DataPaths::languageDir() { return readOnly(QStringLiteral("i18n")); }

QString DataPaths::fontFile() { return readOnly(QStringLiteral("fonts/roboto-hinted/Roboto-Regular.ttf")); }
QString DataPaths::updateDir() { return readOnly(QStringLiteral("update")); }

DataPaths::Layout DataPaths::layout()
{
    QMutexLocker locker(&stateLock());
    const State &s = current();
    return s.forcedRoot.isEmpty() ? s.layout : Layout::Forced;
}

QString DataPaths::dataDir()
{
    QMutexLocker locker(&stateLock());
    const State &s = current();
    return s.forcedRoot.isEmpty() ? s.dataDir : s.forcedRoot;
}

QString DataPaths::writableDir()
{
    QMutexLocker locker(&stateLock());
    const State &s = current();
    return s.forcedRoot.isEmpty() ? s.writableDir : s.forcedRoot + QStringLiteral("/data");
}

QString DataPaths::userConfigDir()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // A relative XDG_CONFIG_HOME is invalid and must be ignored; taken as it is, it would send
    // the profile into the working directory, which is the executable's.
    const QString xdg = QFile::decodeName(qgetenv("XDG_CONFIG_HOME"));
    const QString base = QDir::isAbsolutePath(xdg) ? xdg : QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(base) + QStringLiteral("/mousecfg");
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/mousecfg");
#endif
}

void DataPaths::useLayoutFor(const QString &executableDir)
{
    QMutexLocker locker(&stateLock());
    decide(state(), executableDir);
}

void DataPaths::setRoot(const QString &root)
{
    QMutexLocker locker(&stateLock());
    state().forcedRoot = root;
}

QString DataPaths::root()
{
    QMutexLocker locker(&stateLock());
    const State &s = current();
    return s.forcedRoot.isEmpty() ? s.dataDir : s.forcedRoot;
}
