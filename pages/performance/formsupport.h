#pragma once

#include <QString>

class QLabel;
class QLineEdit;
class QWidget;

// Pieces the performance pages build their forms from.
class FormSupport
{
public:
    // A label with an object name, for style sheets and tests to find, and its own sheet.
    static QLabel *label(QWidget *parent, const char *name, const QString &sheet);
    // Shows that a field's value was not taken: a red frame, and why as tool tip and
    // accessible description. An empty reason clears the mark.
    static void markRefused(QLineEdit *edit, const QString &reason);
    static bool isRefused(const QLineEdit *edit);
};
