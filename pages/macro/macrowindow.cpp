#include "pages/macro/macrowindow.h"

MacroWindow::MacroWindow(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("MacroWindow"));
}

MacroWindow::~MacroWindow() = default;
