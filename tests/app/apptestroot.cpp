#include "apptestroot.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

bool AppTestRoot::writeRecorder(const QString &path, const QString &marker)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    f.write(QStringLiteral("#!/bin/sh\necho \"started $*\" >> '%1'\n").arg(marker).toUtf8());
    f.close();
    return f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void AppTestRoot::reportShows(QObject *window)
{
    struct ShowWatcher : QObject
    {
        using QObject::QObject;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Show) {
                std::printf("shown\n");
                std::fflush(stdout);
            }
            return false;
        }
    };
    window->installEventFilter(new ShowWatcher(window));
}
