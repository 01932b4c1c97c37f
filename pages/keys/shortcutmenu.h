#pragma once

#include "pages/keys/functionpicker.h"

// Picker of the editing and system shortcuts.
class ShortcutMenu : public FunctionPicker
{
    Q_OBJECT
public:
    explicit ShortcutMenu(QWidget *parent = nullptr);

    static QList<FunctionPicker::Entry> table();
};
