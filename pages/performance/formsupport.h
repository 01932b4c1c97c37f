#pragma once

#include <QString>

#include "resources/stylesheets.h"

class QLabel;
class QLineEdit;
class QWidget;

// Pieces the performance pages build their forms from.
class FormSupport
{
public:
    // A label with an object name, for style sheets and tests to find, and its own sheet.
    static QLabel *label(QWidget *parent, const char *name, const QString &sheet);
    // The same with a look of the application sheet instead of a sheet of its own.
    static QLabel *label(QWidget *parent, const char *name, StyleSheets::Look look);
    // Shows that a field's value was not taken: a red frame, and why as tool tip and
    // accessible description. An empty reason clears the mark.
    static void markRefused(QLineEdit *edit, const QString &reason);
    static bool isRefused(const QLineEdit *edit);
};
