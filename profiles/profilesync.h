#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include "device/ic553.h"

// What the mouse holds, as far as this program told it, and the commands that bring it to the
// profile model. Every command the device link sends is recorded by its slot (command code, and
// button for macros); a command that did not arrive is forgotten, so it is sent again.
class ProfileSync : public QObject
{
    Q_OBJECT
public:
    static ProfileSync *instance();

    // Every command of the model's settings, in the protocol's order: keys, the macros of buttons
    // bound to one, DPI, report rate, colours, lighting.
    static QList<Ic553::Command> fullCommands();
    // Of those, what the mouse does not hold. Keys, DPI or rate sent make colours and lighting
    // follow, as every page re-sends the lighting after them.
    QList<Ic553::Command> missingCommands() const;

    // Sends missingCommands(); with no mouse attached nothing (the controller brings a mouse
    // that comes back up to date). Returns the number of commands sent.
    int sync();
    // Forgets what the mouse holds (it went away, a different mouse, or a test).
    void forget();

    static QString slotOf(const QString &commandText);

private:
    ProfileSync();
    void recordSent(const QString &text);
    void recordFailed(const QString &text);
    void deviceChecked(int family);

    QHash<QString, QString> m_held;
    int m_family = -1;
};
