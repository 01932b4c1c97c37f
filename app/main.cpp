#include <QApplication>

#include <cstdio>
#include <cstdlib>

#include "app/commandline.h"
#include "app/startup.h"
#include "platform/fontwarmup.h"

namespace {
QtMessageHandler s_qtHandler = nullptr;
QList<QPair<QtMsgType, QString>> s_held;

// While the platform plugin starts: its complaints about a missing display are held back, and
// its fatal end (an abort advising to reinstall) becomes one plain line and exit status 1.
void platformStartHandler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg) {
        std::fputs("mousecfg: no display found; it needs a desktop session (DISPLAY or WAYLAND_DISPLAY "
                   "naming a display that answers)\n", stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (context.category && QByteArray(context.category).startsWith("qt.qpa")) {
        s_held.append({type, text});
        return;
    }
    s_qtHandler(type, context, text);
}
} // namespace

int main(int argc, char *argv[])
{
    // --help, --version and a wrong option answer on a terminal without a display.
    const CommandLine::Parsed early = CommandLine::parse(CommandLine::arguments(argc, argv));
    if (early.action != CommandLine::Action::Run) {
        QCoreApplication core(argc, argv);
        return CommandLine::answer(early);
    }
    FontWarmUp fonts;
    s_qtHandler = qInstallMessageHandler(platformStartHandler);
    QApplication app(argc, argv);
    qInstallMessageHandler(s_qtHandler);
    // The display answered: what the plugin said on the way may still matter.
    for (const auto &held : std::as_const(s_held))
        s_qtHandler(held.first, QMessageLogContext("qt.qpa", 0, nullptr, "qt.qpa"), held.second);
    s_held.clear();
    // Parsed again without the options the application object took (-platform, -style ...).
    const CommandLine::Parsed parsed = CommandLine::parse(app.arguments().mid(1));
    if (const int rc = CommandLine::answer(parsed); rc >= 0)
        return rc;
    Startup::Options options;
    options.startHidden = parsed.hidden;
    options.fonts = &fonts;
    return Startup::run(app, options);
}
