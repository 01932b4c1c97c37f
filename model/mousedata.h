#pragma once

#include <QList>
#include <QMap>
#include <QSet>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include "model/keyfunction.h"
#include "model/savescheduler.h"

class Ic;

// The profile: what the mouse is set to, as this program last told it. Pages read and write the
// fields directly; key, DPI and device notifications are broadcast through its signals.
class MouseData : public QObject
{
    Q_OBJECT
public:
    static MouseData *instance();

    QList<KeyFunction> keyMatrix;      // buttons 0..15
    uchar reportRate = 0;              // 1, 2, 4 or 8 (125..1000 Hz)
    uchar dpiCount = 0;
    uchar currentDpiCount = 0;         // levels in use, 1..5
    uchar currentDpiLevel = 0;         // active level; never stored
    uchar currentKey = 255;            // button selected on the mouse page, 255 = none
    QVariantList xDpiList;
    QVariantList yDpiList;
    QVariantList lightValue;           // effect, brightness, speed, colour slot
    QVariantList colorValue;           // 6 RGB slots, then six 255
    uchar isDefaultDPI = 0;
    uchar isDefaultKey = 0;            // 0 while the mouse uses the factory key layout
    uchar isXY = 0;
    uchar deviceType = 255;            // family 0..6, 255 = no mouse
    QString runProgram;
    QString runHttps;
    QMap<int, QString> keyNames;
    QStringList languageTexts;
    int screenClass = 1;
    uchar dpiReadPending = 1;
    int maxDpi = 12000;
    int minDpi = 200;
    int stepDpi = 100;
    uchar dragActive = 0;
    int profileNumber = 0;             // the p<n>.bin the profile was loaded from (profiles/)

    // Profile -1 is the factory-default file.
    virtual void load(int profile);
    // Returns false when the file could not be written; the old file is then left as it was.
    virtual bool save(int profile);
    // DPI lists of the attached family from the active profile (factory lists when it has none),
    // limits from the application configuration; then deviceChange(deviceType). The lists in
    // memory stay when they already are this family's; another family's lists are kept aside
    // (and saved) rather than dropped.
    void loadDeviceFamily();
    // Makes p<profile>.bin the active profile: buttons it does not name take their factory codes,
    // the DPI lists shown are the family's from the new file; it counts as saved as loaded.
    void loadProfile(int profile);
    // Writes the active profile when it differs from what was last written.
    bool saveActive();

    // Every key and value save() would write; equal snapshots mean nothing to save or send.
    QMap<QString, QVariant> profileValues() const;
    // The active profile (profileNumber) is written soon after markChanged() (see SaveScheduler),
    // and only when its values differ from those last written.
    SaveScheduler *saver() const { return m_saver; }
    void markChanged();

    // Start-up calls this once after MouseDefaultData::instance()->load(): key entries, DPI
    // lists, lighting, colours and report rate that the profile lacks are taken from the
    // factory defaults, so that nothing empty or zero is shown or sent.
    void fillMissingFromDefaults();
    // Moves currentDpiLevel onto the last level in use when it is beyond them.
    void keepDpiLevelInUse();

    QString functionText(uchar kind, uchar param1, uchar param2, uchar param3) const;
    KeyFunction *keyFunction(int index);
    const KeyFunction *keyFunction(int index) const;
    void setKeyFunction(uchar kind, uchar param1, uchar param2, uchar param3, const QString &label);
    void sendAllKeys();
    void sendLighting();
    int keyCode(const QString &name) const;

    // Text n of the language table; empty for a number the table does not hold.
    QString languageText(int n) const;
    // Reads the language table chosen by the application configuration (done at construction).
    void loadLanguage();

    // Stores one DPI value (axis 0 = X, 1 = Y) at a level, first growing a short list to eight
    // entries so that the level always exists.
    void setDpi(int axis, int level, uint value);
    void ensureDpiListSize();

    // The key-matrix text handed to the chip protocol.
    QString keyMatrixText() const;

signals:
    void mouseKeyChanged(int objectIndex, int index);
    void mouseValueChanged(QString label);
    void refreashData(int index);
    void deviceChange(uchar deviceType);
    void dpiKeyPressed(int level);
    // A profile file held values the mouse cannot take; they were brought into range (once per
    // file and run).
    void valuesAdjusted(QString file);

public slots:
    void macroActionChangedProc(int macroIndex);

private:
    MouseData();
    static Ic *ic();

    SaveScheduler::Result saveIfChanged();
    void readFamilyLists(uchar family);
    void reportAdjusted();

    uint m_keyLoaded = 0;   // bit i: entry i holds a code from a file or a picker
    uchar m_listFamily = 255;                  // family whose lists xDpiList/yDpiList are
    QMap<QString, QVariantList> m_otherLists;  // profile key -> lists of families not shown
    QMap<QString, QVariant> m_written;         // profileValues() at the last write
    SaveScheduler *m_saver = nullptr;
    QSet<int> m_adjustedReported;              // profile numbers already reported
};
