#pragma once

#include <QObject>
#include <QString>

#include <memory>

// The desktop's word on which program is in front, for automatic profile switching.
class ActiveWindow : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The source for this desktop; one whose available() is false where the desktop tells nothing.
    static std::unique_ptr<ActiveWindow> create();

    virtual bool available() const = 0;

    // The executable a running process was started from, also after an upgrade replaced or
    // removed the file; empty when unknown.
    static QString executableOf(qint64 pid);

signals:
    // The executable of the program owning the active window; empty when unknown.
    void programChanged(const QString &program);
};
