#include "pages/performance/sensorwindow.h"

#include <QLabel>
#include <QVBoxLayout>

#include "model/mousedata.h"

SensorWindow::SensorWindow(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("SensorWindow"));
    resize(1108, 300);
    setMinimumSize(1108, 300);
    setMaximumHeight(300);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);
    setStyleSheet(QStringLiteral("QFrame#SensorWindow { background-color: rgb(26, 26, 26); }"));

    verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));

    xx = new QLabel(this);
    xx->setObjectName(QStringLiteral("xx"));
    xx->setAlignment(Qt::AlignCenter);
    xx->setStyleSheet(QStringLiteral("color: rgb(255, 255, 255); font-size: 36px;"));
    xx->setText(QStringLiteral("Under development"));
    verticalLayout->addWidget(xx);

    // The placeholder above only shows if the language table lacks the text.
    const QString text = MouseData::instance()->languageText(102);
    if (!text.isEmpty())
        xx->setText(text);
}
