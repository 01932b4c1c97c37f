#include "profiles/profilesync.h"

#include <QStringList>

#include "device/controller.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "model/profilesender.h"
#include "model/settingsio.h"

namespace {

int codeOf(const QString &slot)
{
    return slot.section(QLatin1Char(':'), 0, 0).toInt();
}
} // namespace

ProfileSync *ProfileSync::instance()
{
    static ProfileSync *self = new ProfileSync;
    return self;
}

ProfileSync::ProfileSync()
{
    Controller *c = Controller::instance();
    connect(c, &Controller::send, this, [this](int, const QString &text) { recordSent(text); });
    connect(c, &Controller::transferFailed, this, &ProfileSync::recordFailed);
    connect(c, &Controller::deviceChecked, this, &ProfileSync::deviceChecked);
}

QString ProfileSync::slotOf(const QString &commandText)
{
    const QStringList parts = commandText.split(QLatin1Char('_'));
    if (parts.size() < 9)
        return {};
    if (parts.at(1) == QLatin1String("5"))
        return QStringLiteral("5:") + parts.at(3);
    return parts.at(1);
}

void ProfileSync::recordSent(const QString &text)
{
    const QString slot = slotOf(text);
    if (!slot.isEmpty() && slot != QLatin1String("135"))
        m_held.insert(slot, text);
}

void ProfileSync::recordFailed(const QString &text)
{
    const QString slot = slotOf(text);
    if (m_held.value(slot) == text)
        m_held.remove(slot);
}

void ProfileSync::deviceChecked(int family)
{
    // Away, the mouse may be changed by anything; on its return the controller sends it the
    // whole profile when it missed a change, and the record is rebuilt from those commands.
    if (family < 0 || family > 6) {
        forget();
        return;
    }
    if (m_family >= 0 && family != m_family)
        forget();
    m_family = family;
}

void ProfileSync::forget()
{
    m_held.clear();
}

QList<Ic553::Command> ProfileSync::fullCommands()
{
    return ProfileSender::fullCommands();
}

QList<Ic553::Command> ProfileSync::missingCommands() const
{
    const QList<Ic553::Command> all = fullCommands();
    QList<Ic553::Command> out;
    bool relight = false;
    for (const Ic553::Command &c : all) {
        const QString slot = slotOf(c.text);
        const int code = codeOf(slot);
        const bool lighting = code == 12 || code == 6;
        if (lighting ? (relight || m_held.value(slot) != c.text) : m_held.value(slot) != c.text) {
            out.append(c);
            if (code == 3 || code == 1 || code == 7 || code == 8 || code == 23 || code == 24)
                relight = true;
        }
    }
    return out;
}

int ProfileSync::sync()
{
    Controller *c = Controller::instance();
    // Without a mouse the switch is a change it missed: the return sends it.
    if (!c->currentIc())
        return 0;
    const QList<Ic553::Command> commands = missingCommands();
    for (const Ic553::Command &cmd : commands)
        emit c->send(cmd.dataLength, cmd.text);
    return int(commands.size());
}
