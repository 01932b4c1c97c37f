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

int ProfileAutoSwitch::profileFor(const ProfileIndex &index, const QString &program)
{
    if (index.rules.isEmpty() || program.isEmpty())
        return -1;
    const QString base = QFileInfo(program).fileName();
    for (const ProfileIndex::Rule &r : index.rules) {
        const bool bare = !r.program.contains(QLatin1Char('/')) && !r.program.contains(QLatin1Char('\\'));
        // The desktop names the executable itself; a rule may name a link to it (/usr/bin/...).
        if (r.program == program || (bare && r.program == base)
            || (!bare && QFileInfo(r.program).canonicalFilePath() == program))
            return r.file;
    }
    return index.defaultFile;
}

void ProfileAutoSwitch::programInFront(const QString &program)
{
    m_program = program;
    m_hold.start();
}

void ProfileAutoSwitch::settle()
{
    // The program's own window in front: the user is editing a profile, keep it.
    if (m_program.isEmpty() || m_program == QCoreApplication::applicationFilePath())
        return;
    ProfileManager *profiles = ProfileManager::instance();
    const int file = profileFor(profiles->index(), m_program);
    if (file < 0)
        return;
    profiles->activate(profiles->index().nameOf(file));
}
