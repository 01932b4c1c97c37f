#include "model/mousedata.h"

#include <QFileInfo>
#include <QSettings>
#include <QTimer>

#include "device/controller.h"
#include "device/datapaths.h"
#include "device/ic.h"
#include "model/keynames.h"
#include "model/languagetable.h"
#include "model/macrodata.h"
#include "model/mousedefaultdata.h"
#include "model/profilerange.h"
#include "model/settingsio.h"

namespace {
constexpr int keyCount = 16;
constexpr int dpiListSize = 8;

bool isReportRate(uchar code)
{
    return code == 1 || code == 2 || code == 4 || code == 8;
}

uint dpiAt(const QVariantList &list, int i)
{
    return i < list.size() ? list.at(i).toString().trimmed().toUInt() : 0;
}

uint fallbackDpi(int minDpi)
{
    return minDpi > 0 ? uint(minDpi) : 200u;
}

// At least eight levels; a missing, zero or non-numeric level takes the factory value (or the
// lowest allowed DPI), since no level of the mouse may run at 0 DPI.
QVariantList sanitizedDpiList(const QVariantList &list, const QVariantList &factory, int minDpi)
{
    QVariantList out;
    const int n = qMax<int>(list.size(), dpiListSize);
    for (int i = 0; i < n; ++i) {
        if (dpiAt(list, i) != 0) {
            out.append(list.at(i));   // keep the stored form untouched
            continue;
        }
        const uint v = dpiAt(factory, i);
        out.append(v != 0 ? v : fallbackDpi(minDpi));
    }
    return out;
}

QString baseNameOf(const QString &path)
{
    const int slash = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const QString file = path.mid(slash + 1);
    const int dot = file.indexOf(QLatin1Char('.'));
    return dot < 0 ? file : file.left(dot);
}
} // namespace

MouseData *MouseData::instance()
{
    static MouseData *self = new MouseData;
    return self;
}

MouseData::MouseData()
    : m_saver(new SaveScheduler(QStringLiteral("p0.bin"), [this] { return saveIfChanged(); }, this))
{
    keyNames = KeyNames::table();
    loadLanguage();
    // Every entry exists from the start so that pointers handed out by keyFunction() stay valid;
    // a profile load or fillMissingFromDefaults() gives them their real codes.
    keyMatrix.reserve(keyCount);
    for (int i = 0; i < keyCount; ++i) {
        KeyFunction k;
        k.label = functionText(0, 0, 0, 0);
        keyMatrix.append(k);
    }
}

Ic *MouseData::ic()
{
    return Controller::instance()->currentIc();
}

void MouseData::loadLanguage()
{
    languageTexts = LanguageTable::load(LanguageTable::activeFile());
    // Labels computed before the table was read would show nothing.
    for (KeyFunction &k : keyMatrix)
        k.label = functionText(k.kind, k.param1, k.param2, k.param3);
}

QString MouseData::languageText(int n) const
{
    return languageTexts.value(n);
}

void MouseData::load(int profile)
{
    const QSettings s(DataPaths::profileFile(profile), QSettings::IniFormat);
    reportRate = SettingsIo::readByte(s, QStringLiteral("mouse/reportRate"));
    dpiCount = SettingsIo::readByte(s, QStringLiteral("mouse/dpiCount"));
    currentDpiCount = SettingsIo::readByte(s, QStringLiteral("mouse/currentDpiCount"));
    xDpiList = SettingsIo::readList(s, QStringLiteral("mouse/xDpiList"));
    yDpiList = SettingsIo::readList(s, QStringLiteral("mouse/yDpiList"));
    lightValue = SettingsIo::readList(s, QStringLiteral("mouse/lightValue"));
    colorValue = SettingsIo::readList(s, QStringLiteral("mouse/colorValue"));
    isDefaultDPI = SettingsIo::readByte(s, QStringLiteral("mouse/isDefaultDPI"));
    isDefaultKey = SettingsIo::readByte(s, QStringLiteral("mouse/isDefaultKey"));
    isXY = SettingsIo::readByte(s, QStringLiteral("mouse/isXY"));
    runProgram = SettingsIo::readText(s, QStringLiteral("mouse/runProgram"));
    runHttps = SettingsIo::readText(s, QStringLiteral("mouse/runHttps"));

    for (int i = 0; i < keyCount; ++i) {
        KeyFunction code;
        if (!SettingsIo::readKeyCode(s, i, &code))
            continue;
        KeyFunction &entry = keyMatrix[i];
        entry.kind = code.kind;
        entry.param1 = code.param1;
        entry.param2 = code.param2;
        entry.param3 = code.param3;
        entry.label = functionText(code.kind, code.param1, code.param2, code.param3);
        m_keyLoaded |= 1u << i;
    }
    // The unsuffixed lists belong to no family; the next attach loads its own.
    m_listFamily = 255;
    m_otherLists.clear();
    if (profile == profileNumber)
        m_written = profileValues();
}

QMap<QString, QVariant> MouseData::profileValues() const
{
    QMap<QString, QVariant> v;
    for (int i = 0; i < keyMatrix.size() && i < keyCount; ++i)
        v.insert(QStringLiteral("mouseKeyMatrix/%1").arg(i), SettingsIo::keyCodeList(keyMatrix.at(i)));
    v.insert(QStringLiteral("mouse/reportRate"), int(reportRate));
    v.insert(QStringLiteral("mouse/dpiCount"), int(dpiCount));
    v.insert(QStringLiteral("mouse/currentDpiCount"), int(currentDpiCount));
    for (auto it = m_otherLists.cbegin(); it != m_otherLists.cend(); ++it)
        v.insert(it.key(), it.value());
    // Without a mouse the lists still belong to the family last attached: edits made after it
    // left are that family's too.
    const uchar family = deviceType <= 6 ? deviceType : m_listFamily;
    const QString xKey = SettingsIo::dpiListKey(family, false);
    if (!xKey.isEmpty()) {
        v.insert(xKey, xDpiList);
        v.insert(SettingsIo::dpiListKey(family, true), yDpiList);
    }
    v.insert(QStringLiteral("mouse/lightValue"), lightValue);
    v.insert(QStringLiteral("mouse/colorValue"), colorValue);
    v.insert(QStringLiteral("mouse/isDefaultDPI"), int(isDefaultDPI));
    v.insert(QStringLiteral("mouse/isDefaultKey"), int(isDefaultKey));
    v.insert(QStringLiteral("mouse/isXY"), int(isXY));
    v.insert(QStringLiteral("mouse/runProgram"), runProgram);
    v.insert(QStringLiteral("mouse/runHttps"), runHttps);
    return v;
}

bool MouseData::save(int profile)
{
    QSettings s(DataPaths::profileFile(profile), QSettings::IniFormat);
    const QMap<QString, QVariant> values = profileValues();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        s.setValue(it.key(), it.value());
    const bool ok = SettingsIo::commit(s);
    if (ok && profile == profileNumber)
        m_written = values;
    return ok;
}

SaveScheduler::Result MouseData::saveIfChanged()
{
    const QMap<QString, QVariant> values = profileValues();
    if (values == m_written)
        return SaveScheduler::Result::Unchanged;
    // Asked before any value is set: a settings object with pending values writes them when
    // it goes away, waiting for the lock as long as it takes.
    if (!SettingsIo::lockIsFree(DataPaths::profileFile(profileNumber)))
        return SaveScheduler::Result::Busy;
    QSettings s(DataPaths::profileFile(profileNumber), QSettings::IniFormat);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        s.setValue(it.key(), it.value());
    if (!SettingsIo::commit(s))
        return SaveScheduler::Result::Failed;
    m_written = values;
    return SaveScheduler::Result::Saved;
}

void MouseData::markChanged()
{
    m_saver->markDirty();
}

bool MouseData::saveActive()
{
    return profileValues() == m_written || save(profileNumber);
}

void MouseData::loadProfile(int profile)
{
    // Lists are shown for the attached family, or the one last attached while none is.
    const uchar family = deviceType <= 6 ? deviceType : m_listFamily;
    profileNumber = profile;
    m_saver->setFileName(QFileInfo(DataPaths::profileFile(profile)).fileName());
    load(-1);
    load(profile);
    fillMissingFromDefaults();
    readFamilyLists(family);
    // The mouse stays on a level the new profile enables, as when levels are removed on the page.
    keepDpiLevelInUse();
    // A switch is one change: what the new file gave is what it holds.
    m_written = profileValues();
}

void MouseData::readFamilyLists(uchar family)
{
    const QString xKey = SettingsIo::dpiListKey(family, false);
    if (xKey.isEmpty())
        return;
    const QString yKey = SettingsIo::dpiListKey(family, true);
    // A family attached for the first time has no lists in the profile yet.
    const QSettings profile(DataPaths::profileFile(profileNumber), QSettings::IniFormat);
    const QSettings factory(DataPaths::defaultsFile(), QSettings::IniFormat);
    xDpiList = sanitizedDpiList(SettingsIo::readList(profile, xKey), SettingsIo::readList(factory, xKey), minDpi);
    yDpiList = sanitizedDpiList(SettingsIo::readList(profile, yKey), SettingsIo::readList(factory, yKey), minDpi);
    m_listFamily = family;
    if (ProfileRange::bringDpiIntoRange(this))
        reportAdjusted();
}

void MouseData::loadDeviceFamily()
{
    const QString xKey = SettingsIo::dpiListKey(deviceType, false);
    if (!xKey.isEmpty()) {
        const QString yKey = SettingsIo::dpiListKey(deviceType, true);
        const QSettings config(DataPaths::configFile(), QSettings::IniFormat);

        QString suffix;
        if (deviceType == 1 || deviceType == 2)
            suffix = QStringLiteral("_2");
        else if (deviceType == 3 || deviceType == 4 || deviceType == 6)
            suffix = QStringLiteral("_1");
        const auto limit = [&config, &suffix](const char *name) {
            return int(config.value(QLatin1String(name) + suffix).toString().trimmed().toUInt());
        };
        maxDpi = limit("mouse/maxDpi");
        minDpi = limit("mouse/minDpi");
        stepDpi = limit("mouse/stepDpi");

        const QString shownKey = SettingsIo::dpiListKey(m_listFamily, false);
        if (shownKey != xKey) {
            // The lists on screen may hold edits not yet written: keep them for their family.
            if (!shownKey.isEmpty()) {
                m_otherLists.insert(shownKey, xDpiList);
                m_otherLists.insert(SettingsIo::dpiListKey(m_listFamily, true), yDpiList);
            }
            if (m_otherLists.contains(xKey)) {
                xDpiList = m_otherLists.take(xKey);
                yDpiList = m_otherLists.take(yKey);
                m_listFamily = deviceType;
            } else {
                readFamilyLists(deviceType);
            }
        }
    }
    emit deviceChange(deviceType);
}

void MouseData::fillMissingFromDefaults()
{
    const MouseDefaultData *d = MouseDefaultData::instance();
    for (int i = 0; i < keyCount; ++i) {
        if (m_keyLoaded & (1u << i))
            continue;
        if (const KeyFunction *def = d->defaultKeyFunction(i)) {
            KeyFunction &entry = keyMatrix[i];
            entry.kind = def->kind;
            entry.param1 = def->param1;
            entry.param2 = def->param2;
            entry.param3 = def->param3;
            entry.label = functionText(def->kind, def->param1, def->param2, def->param3);
            m_keyLoaded |= 1u << i;
        }
    }
    xDpiList = sanitizedDpiList(xDpiList, d->xDpiList, minDpi);
    yDpiList = sanitizedDpiList(yDpiList, d->yDpiList, minDpi);
    if (lightValue.size() != 4 && d->lightValue.size() == 4)
        lightValue = d->lightValue;
    if (colorValue.size() != 24 && d->colorValue.size() == 24)
        colorValue = d->colorValue;
    if (!isReportRate(reportRate) && isReportRate(d->reportRate))
        reportRate = d->reportRate;
    if ((currentDpiCount < 1 || currentDpiCount > 5) && d->currentDpiCount >= 1 && d->currentDpiCount <= 5)
        currentDpiCount = d->currentDpiCount;
    if (ProfileRange::bringIntoRange(this))
        reportAdjusted();
}

void MouseData::reportAdjusted()
{
    if (m_adjustedReported.contains(profileNumber))
        return;
    m_adjustedReported.insert(profileNumber);
    // Start-up reads the file before anyone listens: the window hears it from the event loop.
    QTimer::singleShot(0, this, [this, file = DataPaths::profileFile(profileNumber)] { emit valuesAdjusted(file); });
}

void MouseData::keepDpiLevelInUse()
{
    const int inUse = isDefaultDPI != 0 ? 5 : currentDpiCount;
    if (inUse >= 1 && currentDpiLevel >= inUse)
        currentDpiLevel = uchar(inUse - 1);
}

QString MouseData::functionText(uchar kind, uchar param1, uchar param2, uchar param3) const
{
    struct Row { uchar p1, p2, p3; int text; };
    const auto match = [&](std::initializer_list<Row> rows) {
        for (const Row &r : rows) {
            if (r.p1 == param1 && r.p2 == param2 && r.p3 == param3)
                return languageText(r.text);
        }
        return QString();
    };

    switch (kind) {
    case 0: {
        if (param1 == 0 && param2 == 0 && param3 == 0)
            return languageText(11);
        QStringList names;
        for (uchar p : {param1, param2, param3}) {
            if (p != 0)
                names.append(keyNames.value(p));
        }
        return names.join(QLatin1Char('+'));
    }
    case 1:
        return match({{0, 240, 0, 16}, {0, 241, 0, 17}, {0, 242, 0, 18}, {0, 243, 0, 19},
                      {0, 244, 0, 20}, {0, 245, 0, 25}, {0, 246, 0, 26}, {0, 247, 0, 23},
                      {0, 248, 0, 24}, {1, 240, 2, 21}, {1, 241, 2, 22}});
    case 2:
        if (param1 < MacroData::instance()->macroNames().size())
            return MacroData::instance()->macroNames().at(param1);
        return languageText(108);
    case 4:
        return match({{0, 0xE9, 0, 36}, {0, 0xEA, 0, 37}, {0, 0xE2, 0, 38}, {0, 0xCD, 0, 39},
                      {0, 0xB6, 0, 40}, {0, 0xB5, 0, 41}});
    case 5:
        return match({{0, 0xE0, 0x1B, 42}, {0, 0xE0, 0x06, 43}, {0, 0xE0, 0x19, 44},
                      {0, 0xE0, 0x16, 45}, {0, 0xE0, 0x13, 46}, {0, 0xE0, 0x1D, 47},
                      {0, 0xE0, 0x04, 48}, {0, 0x94, 0x01, 49}, {0, 0x21, 0x02, 50},
                      {0xE2, 0x2C, 0x1B, 51}, {0xE2, 0x2C, 0x11, 52}, {0, 0xE3, 0x15, 53}});
    case 6:
        return match({{1, 0, 0, 54}, {2, 0, 0, 55}, {3, 0, 0, 56}});
    case 7:
        if (param1 == 1 && param3 == 1) {
            if (param2 == 2)
                return baseNameOf(runProgram);
            if (param2 == 1)
                return runHttps;
        }
        return {};
    default:
        return {};
    }
}

KeyFunction *MouseData::keyFunction(int index)
{
    return index >= 0 && index < keyMatrix.size() ? &keyMatrix[index] : nullptr;
}

const KeyFunction *MouseData::keyFunction(int index) const
{
    return index >= 0 && index < keyMatrix.size() ? &keyMatrix[index] : nullptr;
}

QString MouseData::keyMatrixText() const
{
    return KeyFunction::matrixText(keyMatrix);
}

void MouseData::setKeyFunction(uchar kind, uchar param1, uchar param2, uchar param3, const QString &label)
{
    KeyFunction *entry = keyFunction(currentKey);
    if (!entry)
        return;
    if (entry->is(1, 0, 240, 0)) {
        int leftButtons = 0;
        for (const KeyFunction &k : keyMatrix)
            leftButtons += k.is(1, 0, 240, 0) ? 1 : 0;
        if (leftButtons <= 1)
            return;
    }
    entry->kind = kind;
    entry->param1 = param1;
    entry->param2 = param2;
    entry->param3 = param3;
    entry->label = label;
    m_keyLoaded |= 1u << currentKey;

    markChanged();
    if (isDefaultKey == 0)
        emit refreashData(1);
    if (Ic *chip = ic())
        chip->setKeys(keyMatrixText());
    sendLighting();
    emit mouseValueChanged(label);
}

void MouseData::sendAllKeys()
{
    emit refreashData(1);
    if (Ic *chip = ic())
        chip->setKeys(keyMatrixText());
    sendLighting();
}

void MouseData::sendLighting()
{
    // Pages call this after changing the lighting or DPI fields themselves.
    markChanged();
    Ic *chip = ic();
    if (!chip || lightValue.size() != 4 || colorValue.isEmpty())
        return;
    chip->setColors(SettingsIo::joinNumbers(colorValue));
    chip->setLighting(SettingsIo::joinNumbers(lightValue));
}

int MouseData::keyCode(const QString &name) const
{
    for (auto it = keyNames.cbegin(); it != keyNames.cend(); ++it) {
        if (it.value() == name)
            return it.key();
    }
    return 0;
}

void MouseData::ensureDpiListSize()
{
    const MouseDefaultData *d = MouseDefaultData::instance();
    for (QVariantList *list : {&xDpiList, &yDpiList}) {
        const QVariantList &factory = list == &xDpiList ? d->xDpiList : d->yDpiList;
        while (list->size() < dpiListSize) {
            const int i = list->size();
            const uint v = dpiAt(factory, i);
            list->append(v != 0 ? v : fallbackDpi(minDpi));
        }
    }
}

void MouseData::setDpi(int axis, int level, uint value)
{
    if (level < 0 || level >= dpiListSize)
        return;
    ensureDpiListSize();
    (axis == 0 ? xDpiList : yDpiList)[level] = value;
    markChanged();
}

void MouseData::macroActionChangedProc(int macroIndex)
{
    for (int i = 0; i < keyMatrix.size(); ++i) {
        const KeyFunction &k = keyMatrix.at(i);
        if (k.kind == 2 && k.param1 == macroIndex)
            MacroData::instance()->sendMacro(macroIndex, i);
    }
}
