#include "tools/cli/clicommand.h"

#include "model/macrodata.h"

#include <QFileInfo>

int Cli::importMacro(const QStringList &args)
{
    if (args.size() != 1) {
        err(QStringLiteral("usage: mousecfg-cli import FILE"));
        return Error;
    }
    const QString file = userPath(args.at(0));
    if (QFileInfo(file).isDir()) {
        err(QStringLiteral("mousecfg-cli import: %1 is a directory").arg(file));
        return Error;
    }
    MacroData *macros = MacroData::instance();
    macros->load();
    const int before = macros->macroNames().size();
    QString why;
    const int added = macros->importMacros(file, &why);
    if (added < 0) {
        err(QStringLiteral("mousecfg-cli import: %1: %2").arg(file, why));
        return Error;
    }
    const QStringList &names = macros->macroNames();
    for (int i = before; i < names.size(); ++i)
        out(QStringLiteral("macro %1 \"%2\" imported").arg(i).arg(names.at(i)));
    out(QStringLiteral("%1 macro(s) imported; the store holds %2").arg(added).arg(names.size()));
    return Ok;
}
