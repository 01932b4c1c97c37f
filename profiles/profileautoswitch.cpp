#include "profiles/profileautoswitch.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "profiles/profilemanager.h"

ProfileAutoSwitch::ProfileAutoSwitch(QObject *parent) : QObject(parent)
{
    m_hold.setSingleShot(true);
    m_hold.setInterval(HoldMs);
    connect(&m_hold, &QTimer::timeout, this, &ProfileAutoSwitch::settle);
}

namespace {
// Application ids come as a Wayland app_id, an X11 class or a desktop file's name: one rule
// serves all three.
QString bareAppId(QString id)
{
    if (id.endsWith(QLatin1String(".desktop"), Qt::CaseInsensitive))
        id.chop(8);
    return id.toCaseFolded();
}
} // namespace

int ProfileAutoSwitch::profileFor(const ProfileIndex &index, const QString &program, const QString &appId)
{
    if (index.rules.isEmpty() || (program.isEmpty() && appId.isEmpty()))
        return -1;
    const QString base = QFileInfo(program).fileName();
    const QString app = bareAppId(appId);
    for (const ProfileIndex::Rule &r : index.rules) {
        const bool bare = !r.program.contains(QLatin1Char('/')) && !r.program.contains(QLatin1Char('\\'));
        if (bare && !app.isEmpty() && bareAppId(r.program) == app)
            return r.file;
        if (program.isEmpty())
            continue;
        // The desktop names the executable itself; a rule may name a link to it (/usr/bin/...).
        if (r.program == program || (bare && r.program == base)
            || (!bare && QFileInfo(r.program).canonicalFilePath() == program))
            return r.file;
    }
    return index.defaultFile;
}

void ProfileAutoSwitch::programInFront(const QString &program, const QString &appId)
{
    m_program = program;
    m_appId = appId;
    m_hold.start();
}

void ProfileAutoSwitch::settle()
{
    // The program's own window in front: the user is editing a profile, keep it. Where the
    // desktop gives no process, its application id (the desktop file's name) tells.
    if ((m_program.isEmpty() && m_appId.isEmpty()) || m_program == QCoreApplication::applicationFilePath()
        || (m_program.isEmpty() && bareAppId(m_appId) == QLatin1String(OwnAppId)))
        return;
    ProfileManager *profiles = ProfileManager::instance();
    const int file = profileFor(profiles->index(), m_program, m_appId);
    if (file < 0)
        return;
    profiles->activate(profiles->index().nameOf(file));
}
