#pragma once

#include <QString>

class QLabel;
class QWidget;

// Pieces the performance pages build their forms from.
class FormSupport
{
public:
    // A label with an object name, for style sheets and tests to find, and its own sheet.
    static QLabel *label(QWidget *parent, const char *name, const QString &sheet);
};
