#include "model/profilesender.h"

#include "device/controller.h"
#include "device/ic.h"
#include "device/ic553.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "model/settingsio.h"

#include <QStringList>
#include <QVariantList>

namespace {
constexpr int keyCount = 16;

uint valueAt(const QVariantList &list, int i)
{
    return list.value(i).toString().trimmed().toUInt();
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

// Six cards (the lists' first six entries when a list holds all eight), two unused, the same
// for Y (X again without separate axes), the active level and the mask of the levels in use
// (all five for the factory set).
QString ProfileSender::dpiCommandText()
{
    const MouseData *model = MouseData::instance();
    const MouseDefaultData *factory = MouseDefaultData::instance();
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

QList<ProfileSender::Line> ProfileSender::sendAll(Ic *ic)
{
    QList<Line> lines;
    if (!ic)
        return lines;
    const auto note = [&lines](const QString &text) { lines.append(Line{false, text}); };
    const auto problem = [&lines](const QString &text) { lines.append(Line{true, text}); };

    MouseData *model = MouseData::instance();
    MouseDefaultData *factory = MouseDefaultData::instance();
    MacroData *macros = MacroData::instance();

    const bool ownLayout = model->isDefaultKey != 0;
    if (ownLayout)
        model->sendAllKeys();
    else
        factory->restoreDefaultKeys();
    note(ownLayout ? QStringLiteral("keys: the profile's own layout, then colours and lighting")
                   : QStringLiteral("keys: the factory layout (the profile uses it), then colours and lighting"));
    const QList<KeyFunction> &layout = ownLayout ? model->keyMatrix : factory->defaultKeyMatrix;
    for (int i = 0; i < layout.size(); ++i) {
        const KeyFunction &k = layout.at(i);
        note(QStringLiteral("  button %1: %2,%3,%4,%5 %6")
                 .arg(i).arg(k.kind).arg(k.param1).arg(k.param2).arg(k.param3).arg(k.label));
    }

    const QString dpi = dpiCommandText();
    ic->setDpi(dpi);
    model->sendLighting();
    note(QStringLiteral("dpi (%1 set): %2")
             .arg(model->isDefaultDPI ? QStringLiteral("factory") : QStringLiteral("user"), dpi));

    if (!rateName(model->reportRate).isEmpty()) {
        ic->setReportRate(QString::number(model->reportRate));
        model->sendLighting();
        note(QStringLiteral("report rate: %1 (code %2)").arg(rateName(model->reportRate)).arg(model->reportRate));
    } else {
        problem(QStringLiteral("report rate: code %1 in the profile is none of 1, 2, 4, 8; not sent")
                    .arg(model->reportRate));
    }

    if (model->lightValue.size() == 4 && !model->colorValue.isEmpty())
        note(QStringLiteral("lighting: %1; colours: %2")
                 .arg(SettingsIo::joinNumbers(model->lightValue), SettingsIo::joinNumbers(model->colorValue)));
    else
        problem(QStringLiteral("lighting: the profile holds no complete lighting; not sent"));

    // As after a macro edit: every button bound to a macro gets it again.
    int commands = 0;
    Controller *controller = Controller::instance();
    const QMetaObject::Connection counter =
        QObject::connect(controller, &Controller::send, controller, [&commands] { ++commands; });
    for (int i = 0; i < model->keyMatrix.size(); ++i) {
        const KeyFunction &k = model->keyMatrix.at(i);
        if (k.kind != 2)
            continue;
        const int before = commands;
        macros->sendMacro(k.param1, i);
        if (commands > before)
            note(QStringLiteral("macro: button %1 <- macro %2 \"%3\"")
                     .arg(i).arg(k.param1).arg(macros->macroNames().value(k.param1)));
        else
            problem(QStringLiteral("macro: button %1 is bound to macro %2, which has nothing to send")
                        .arg(i).arg(k.param1));
    }
    QObject::disconnect(counter);
    return lines;
}

QList<Ic553::Command> ProfileSender::fullCommands()
{
    const MouseData *model = MouseData::instance();
    const MouseDefaultData *factory = MouseDefaultData::instance();
    const MacroData *macros = MacroData::instance();

    // The layout the mouse uses: the profile's own, or the factory one (padded as the factory
    // restore pads it).
    QList<KeyFunction> layout = model->keyMatrix;
    if (model->isDefaultKey == 0) {
        layout = factory->defaultKeyMatrix;
        for (int i = int(layout.size()); i < model->keyMatrix.size() && i < keyCount; ++i)
            layout.append(model->keyMatrix.at(i));
    }

    return Ic553::instance()->capture([&](Ic553 &ic) {
        ic.setKeys(KeyFunction::matrixText(layout));
        for (int i = 0; i < model->keyMatrix.size() && i < keyCount; ++i) {
            const KeyFunction &k = model->keyMatrix.at(i);
            if (k.kind != 2 || k.param1 >= macros->macroActions().size())
                continue;
            const QString form = MacroData::deviceForm(macros->macroActions().at(k.param1));
            if (!form.isEmpty())
                ic.setMacro(uchar(i), form);
        }
        ic.setDpi(ProfileSender::dpiCommandText());
        const uchar rate = model->reportRate;
        if (rate == 1 || rate == 2 || rate == 4 || rate == 8)
            ic.setReportRate(QString::number(rate));
        if (model->lightValue.size() == 4 && !model->colorValue.isEmpty()) {
            ic.setColors(SettingsIo::joinNumbers(model->colorValue));
            ic.setLighting(SettingsIo::joinNumbers(model->lightValue));
        }
    });
}
