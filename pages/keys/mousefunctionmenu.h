#pragma once

#include "pages/keys/functionpicker.h"

// Picker of the mouse-button functions.
class MouseFunctionMenu : public FunctionPicker
{
    Q_OBJECT
public:
    explicit MouseFunctionMenu(QWidget *parent = nullptr);

    static QList<FunctionPicker::Entry> table();
};
