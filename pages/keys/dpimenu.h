#pragma once

#include "pages/keys/functionpicker.h"

// Picker of the DPI functions.
class DpiMenu : public FunctionPicker
{
    Q_OBJECT
public:
    explicit DpiMenu(QWidget *parent = nullptr);

    static QList<FunctionPicker::Entry> table();
};
