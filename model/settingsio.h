#pragma once

#include <QSettings>
#include <QString>
#include <QVariantList>

#include "model/keyfunction.h"

// Reading rules shared by the profile, the factory defaults, the macro store and the language
// tables. Values come back from an INI file as texts (or text lists); these helpers turn them
// into what the model holds, whatever Qt version wrote the file.
class SettingsIo
{
public:
    // Unsigned number truncated to 8 bits; absent or not a number gives 0.
    static uchar byteOf(const QVariant &value);
    static uchar readByte(const QSettings &settings, const QString &key);
    // A list value; a single unquoted element comes back from the file as a plain text and
    // is returned as a one-element list. Absent or empty gives an empty list.
    static QVariantList readList(const QSettings &settings, const QString &key);
    // A text value; an unquoted text with commas (read by Qt as a list) is joined again.
    static QString readText(const QSettings &settings, const QString &key);

    // mouseKeyMatrix/<index> into *code (label untouched). False when the key is absent or
    // its list empty; a list shorter than four fills the missing bytes with 0.
    static bool readKeyCode(const QSettings &settings, int index, KeyFunction *code);
    static QVariantList keyCodeList(const KeyFunction &code);

    // The profile keys of a family's DPI lists; empty for a value outside 0..6.
    static QString dpiListKey(int deviceType, bool yAxis);

    // Elements as unsigned decimals joined by "_".
    static QString joinNumbers(const QVariantList &values);

    // Flushes to disk (Qt writes a temporary file and renames it over the old one), after
    // waiting a few seconds at most for another writer's lock.
    static bool commit(QSettings &settings);
    // False while another writer holds the lock QSettings takes to write `file`; ask before
    // setting any value. A lock counts as free only when QLockFile's rules call it stale: its
    // process is gone, or it is older than a few seconds (a write holds it for milliseconds).
    static bool lockIsFree(const QString &file);
};
