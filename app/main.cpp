#include <QApplication>

#include "app/commandline.h"
#include "app/startup.h"
#include "platform/fontwarmup.h"

int main(int argc, char *argv[])
{
    // --help and --version answer on a terminal without a display.
    const CommandLine::Parsed early = CommandLine::parse(CommandLine::arguments(argc, argv));
    if (early.action == CommandLine::Action::Help || early.action == CommandLine::Action::Version) {
        QCoreApplication core(argc, argv);
        return CommandLine::answer(early);
    }
    FontWarmUp fonts;
    QApplication app(argc, argv);
    // Parsed again without the options the application object took (-platform, -style ...).
    const CommandLine::Parsed parsed = CommandLine::parse(app.arguments().mid(1));
    if (const int rc = CommandLine::answer(parsed); rc >= 0)
        return rc;
    Startup::Options options;
    options.startHidden = parsed.hidden;
    options.fonts = &fonts;
    return Startup::run(app, options);
}
