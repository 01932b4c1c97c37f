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
    // A label with an object name, for style sheets and tests to find, and its look.
    static QLabel *label(QWidget *parent, const char *name, StyleSheets::Look look);
    // Shows that a field's value was not taken: a red frame, and why as tool tip and
    // accessible description. An empty reason clears the mark.
    static void markRefused(QLineEdit *edit, const QString &reason);
    static bool isRefused(const QLineEdit *edit);
};
