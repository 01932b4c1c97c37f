#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "profiles/profileindex.h"

// Switches to the profile a rule names for the program in front, or to the default profile when
// no rule matches. Only a program that stays in front for HoldMs counts, so a quick flick of the
// focus sends nothing. Does nothing while there is no rule.
class ProfileAutoSwitch : public QObject
{
    Q_OBJECT
public:
    static constexpr int HoldMs = 300;
    // The application id of the program's own windows.
    static constexpr const char *OwnAppId = "mousecfg";

    explicit ProfileAutoSwitch(QObject *parent = nullptr);

    // The profile file for a program: the first rule naming its path (or, for a rule without a
    // directory, its file name or its application id), else the default; -1 for none.
    static int profileFor(const ProfileIndex &index, const QString &program, const QString &appId = QString());

public slots:
    // The executable and application id of the program now in front; empty when unknown.
    void programInFront(const QString &program, const QString &appId = QString());

private:
    void settle();

    QTimer m_hold;
    QString m_program;
    QString m_appId;
};
