#include "common/testroot.h"

#include <QDir>
#include <QFile>

#include "device/datapaths.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "sim/vmouse.h"

namespace {
bool copyFolder(const QString &relative, const QString &root)
{
    const QString from = QStringLiteral(MOUSECFG_BIN_DIR "/") + relative;
    const QString to = root + QLatin1Char('/') + relative;
    QDir().mkpath(to);
    const QStringList files = QDir(from).entryList(QDir::Files);
    for (const QString &f : files) {
        const QString target = to + QLatin1Char('/') + f;
        QFile::remove(target);
        if (!QFile::copy(from + QLatin1Char('/') + f, target)
            || !QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner))
            return false;
    }
    return !files.isEmpty();
}
} // namespace

bool TestRoot::populate(const QString &root)
{
    return copyFolder(QStringLiteral("data"), root) && copyFolder(QStringLiteral("i18n"), root)
        && QFile::exists(root + QStringLiteral("/data/apConfig.bin"))
        && QFile::exists(root + QStringLiteral("/data/pD.bin"))
        && QFile::exists(root + QStringLiteral("/i18n/English.ini"))
        && QFile::exists(root + QStringLiteral("/i18n/ChineseSimplified.ini"));
}

bool TestRoot::install(const QString &root)
{
    if (!populate(root))
        return false;
    DataPaths::setRoot(root);
    return true;
}

void TestRoot::loadProfile()
{
    MouseData *md = MouseData::instance();
    md->loadLanguage();
    md->load(0);
    md->screenClass = 0;
    MouseDefaultData::instance()->load();
    md->fillMissingFromDefaults();
}

int TestRoot::plugFamily(int family)
{
    return vmouse_plug(0xf0e1, static_cast<unsigned short>(0x7a01 + family), 0xff00, 1, 0xff01, 1,
                       family >= 5 ? 64 : 32);
}
