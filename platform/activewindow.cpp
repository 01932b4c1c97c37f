#include "platform/activewindow.h"

#include <QFile>

QString ActiveWindow::executableOf(qint64 pid)
{
#if defined(Q_OS_LINUX)
    if (pid <= 0)
        return QString();
    QString program = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
    // The kernel marks a file that was replaced or removed since the process started.
    const QLatin1String deleted(" (deleted)");
    if (program.endsWith(deleted) && !QFile::exists(program))
        program.chop(deleted.size());
    return program;
#else
    Q_UNUSED(pid);
    return QString();
#endif
}

#if !defined(Q_OS_LINUX)
namespace {
class NoActiveWindow : public ActiveWindow
{
public:
    bool available() const override { return false; }
};
} // namespace

std::unique_ptr<ActiveWindow> ActiveWindow::create()
{
    return std::make_unique<NoActiveWindow>();
}
#endif
