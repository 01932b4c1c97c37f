#include "pages/performance/dpiwindow.h"

DPIWindow::DPIWindow(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("DPIWindow"));
}
