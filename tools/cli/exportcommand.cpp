#include "tools/cli/clicommand.h"

#include "model/macrodata.h"

#include <QFileInfo>

int Cli::exportMacro(const QStringList &args)
{
    if (args.isEmpty() || args.size() > 2) {
        err(QStringLiteral("usage: mousecfg-cli export FILE [INDEX]"));
        return Error;
    }
    const QString file = userPath(args.at(0));
    int index = 0;
    if (args.size() == 2) {
        bool ok = false;
        index = args.at(1).toInt(&ok);
        if (!ok || index < 0) {
            err(QStringLiteral("mousecfg-cli export: \"%1\" is no macro index").arg(args.at(1)));
            return Error;
        }
    }
    MacroData *macros = MacroData::instance();
    macros->load();
    const QStringList &names = macros->macroNames();
    if (index >= names.size()) {
        err(names.isEmpty() ? QStringLiteral("mousecfg-cli export: the macro store holds no macro")
                            : QStringLiteral("mousecfg-cli export: no macro %1; the store holds %2 (0..%3)")
                                  .arg(index).arg(names.size()).arg(names.size() - 1));
        return Error;
    }
    if (!macros->exportMacro(index, file)) {
        err(QStringLiteral("mousecfg-cli export: %1 could not be written").arg(file));
        return Error;
    }
    out(QStringLiteral("macro %1 \"%2\" exported to %3")
            .arg(index).arg(names.at(index), QFileInfo(file).absoluteFilePath()));
    return Ok;
}
