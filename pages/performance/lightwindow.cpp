#include "pages/performance/lightwindow.h"

LightWindow::LightWindow(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("LightWindow"));
}
