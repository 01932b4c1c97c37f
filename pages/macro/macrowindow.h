#pragma once

#include <QFrame>

// The macro editor page: the macro names, the actions of the selected macro, recording and
// insertion. Every edit goes straight into the macro store.
class MacroWindow : public QFrame
{
    Q_OBJECT
public:
    explicit MacroWindow(QWidget *parent = nullptr);
    ~MacroWindow() override;

signals:
    void macroActionChanged(int macroIndex);
};
