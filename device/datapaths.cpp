#include "device/datapaths.h"

namespace {
QString &rootDir()
{
    static QString dir = QStringLiteral(".");
    return dir;
}

QString under(const QString &relative)
{
    return rootDir() + QLatin1Char('/') + relative;
}
} // namespace

QString DataPaths::configFile() { return under(QStringLiteral("data/apConfig.bin")); }

QString DataPaths::profileFile(int profile)
{
    if (profile == -1)
        return defaultsFile();
    return under(QStringLiteral("data/p%1.bin").arg(profile));
}

QString DataPaths::defaultsFile() { return under(QStringLiteral("data/pD.bin")); }
QString DataPaths::macroStore() { return under(QStringLiteral("data/macro.bin")); }

QString DataPaths::languageFile(const QString &name)
{
    return under(QStringLiteral("i18n/%1.ini").arg(name));
}

QString DataPaths::fontFile() { return under(QStringLiteral("fonts/roboto-hinted/Roboto-Regular.ttf")); }
QString DataPaths::updateDir() { return under(QStringLiteral("update")); }

void DataPaths::setRoot(const QString &root)
{
    rootDir() = root.isEmpty() ? QStringLiteral(".") : root;
}

QString DataPaths::root() { return rootDir(); }
