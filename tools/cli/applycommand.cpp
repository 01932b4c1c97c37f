#include "tools/cli/clicommand.h"

#include "device/controller.h"
#include "device/ic.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "model/settingsio.h"

#include <QVariantList>

namespace {
constexpr int CheckTimeoutMs = 5000;
// Every queued write is paced by the worker (about 100 ms for the largest); this bounds the lot.
constexpr int DrainTimeoutMs = 20000;

uint valueAt(const QVariantList &list, int i)
{
    return list.value(i).toString().trimmed().toUInt();
}

// The 18 numbers the DPI page sends for the levels it shows: six cards (the lists' first six
// entries when a list holds all eight), two unused, the same for Y (X again without separate
// axes), the active level and the mask of the levels in use (all five for the factory set).
QString dpiCommandText(const MouseData *model, const MouseDefaultData *factory)
{
    const bool useFactory = model->isDefaultDPI != 0;
    const QVariantList &xs = useFactory ? factory->xDpiList : model->xDpiList;
    const QVariantList &ys = useFactory ? factory->yDpiList : model->yDpiList;
    QStringList x, y;
    for (int i = 0; i < 6; ++i) {
        x << QString::number(xs.size() == 8 ? valueAt(xs, i) : 0);
        y << QString::number(ys.size() == 8 ? valueAt(ys, i) : 0);
    }
    if (model->isXY == 0)
        y = x;
    const int levels = useFactory ? 5 : model->currentDpiCount;
    const int mask = levels >= 1 && levels <= 5 ? (1 << levels) - 1 : 0;
    return QStringList{x.join('_'), QStringLiteral("0_0"), y.join('_'), QStringLiteral("0_0"),
                       QString::number(model->currentDpiLevel), QString::number(mask)}
        .join('_');
}

QString rateName(uchar code)
{
    switch (code) {
    case 1: return QStringLiteral("1000 Hz");
    case 2: return QStringLiteral("500 Hz");
    case 4: return QStringLiteral("250 Hz");
    case 8: return QStringLiteral("125 Hz");
    default: return QString();
    }
}
} // namespace

int Cli::apply(const QStringList &args)
{
    if (!noArguments("apply", args))
        return Error;

    // The program's start-up order.
    MacroData *macros = MacroData::instance();
    MouseData *model = MouseData::instance();
    MouseDefaultData *factory = MouseDefaultData::instance();
    macros->load();
    model->load(0);
    factory->load();
    model->fillMissingFromDefaults();

    Controller *controller = Controller::instance();
    int commands = 0;
    QStringList failures;
    QObject::connect(controller, &Controller::send, controller, [&commands] { ++commands; });
    QObject::connect(controller, &Controller::transferFailed, controller,
                     [&failures](const QString &text) { failures << text; });

    const int family = runDeviceCheck(CheckTimeoutMs);
    if (family == -2) {
        err(QStringLiteral("mousecfg-cli apply: the device check did not finish within %1 ms").arg(CheckTimeoutMs));
        Controller::shutdown();
        return Error;
    }
    Ic *ic = controller->currentIc();
    if (!ic) {
        out(QStringLiteral("no supported mouse is attached"));
        Controller::shutdown();
        return NoMouse;
    }
    out(QStringLiteral("family %1").arg(family));

    // Keep the level the mouse is on: the profile does not store it.
    int level = 0;
    if (readDpiLevel(CheckTimeoutMs, &level))
        out(QStringLiteral("current DPI level %1 (kept)").arg(level));

    const bool ownLayout = model->isDefaultKey != 0;
    if (ownLayout)
        model->sendAllKeys();
    else
        factory->restoreDefaultKeys();
    out(ownLayout ? QStringLiteral("keys: the profile's own layout, then colours and lighting")
                  : QStringLiteral("keys: the factory layout (the profile uses it), then colours and lighting"));
    const QList<KeyFunction> &layout = ownLayout ? model->keyMatrix : factory->defaultKeyMatrix;
    for (int i = 0; i < layout.size(); ++i) {
        const KeyFunction &k = layout.at(i);
        out(QStringLiteral("  button %1: %2,%3,%4,%5 %6")
                .arg(i).arg(k.kind).arg(k.param1).arg(k.param2).arg(k.param3).arg(k.label));
    }

    const QString dpi = dpiCommandText(model, factory);
    ic->setDpi(dpi);
    model->sendLighting();
    out(QStringLiteral("dpi (%1 set): %2").arg(model->isDefaultDPI ? QStringLiteral("factory")
                                                                    : QStringLiteral("user"),
                                                dpi));

    if (!rateName(model->reportRate).isEmpty()) {
        ic->setReportRate(QString::number(model->reportRate));
        model->sendLighting();
        out(QStringLiteral("report rate: %1 (code %2)").arg(rateName(model->reportRate)).arg(model->reportRate));
    } else {
        err(QStringLiteral("report rate: code %1 in the profile is none of 1, 2, 4, 8; not sent")
                .arg(model->reportRate));
    }

    if (model->lightValue.size() == 4 && !model->colorValue.isEmpty())
        out(QStringLiteral("lighting: %1; colours: %2")
                .arg(SettingsIo::joinNumbers(model->lightValue), SettingsIo::joinNumbers(model->colorValue)));
    else
        err(QStringLiteral("lighting: the profile holds no complete lighting; not sent"));

    // As the program does after a macro edit: every button bound to a macro gets it again.
    for (int i = 0; i < model->keyMatrix.size(); ++i) {
        const KeyFunction &k = model->keyMatrix.at(i);
        if (k.kind != 2)
            continue;
        const int before = commands;
        macros->sendMacro(k.param1, i);
        if (commands > before)
            out(QStringLiteral("macro: button %1 <- macro %2 \"%3\"")
                    .arg(i).arg(k.param1).arg(macros->macroNames().value(k.param1)));
        else
            err(QStringLiteral("macro: button %1 is bound to macro %2, which has nothing to send")
                    .arg(i).arg(k.param1));
    }

    // The answer to a read comes after every write queued before it.
    int after = 0;
    const bool drained = readDpiLevel(DrainTimeoutMs, &after);
    Controller::shutdown();

    out(QStringLiteral("%1 command(s) sent").arg(commands));
    if (!failures.isEmpty() || !drained) {
        for (const QString &f : failures)
            err(QStringLiteral("not delivered: %1").arg(f));
        if (!drained)
            err(QStringLiteral("mousecfg-cli apply: the mouse did not confirm the last command"));
        return Error;
    }
    return Ok;
}
