#include "pages/performance/sensorwindow.h"

#include <QLabel>
#include <QVBoxLayout>

#include "model/mousedata.h"
#include "resources/stylesheets.h"

SensorWindow::SensorWindow(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("SensorWindow"));
    resize(1108, 300);
    setMinimumSize(1108, 300);
    setMaximumHeight(300);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);
    StyleSheets::setLook(this, StyleSheets::SensorPageLook);

    verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));

    xx = new QLabel(this);
    xx->setObjectName(QStringLiteral("xx"));
    xx->setAlignment(Qt::AlignCenter);
    StyleSheets::setLook(xx, StyleSheets::SensorValueLook);
    xx->setText(QStringLiteral("Under development"));
    verticalLayout->addWidget(xx);

    // The placeholder above only shows if the language table lacks the text.
    const QString text = MouseData::instance()->languageText(102);
    if (!text.isEmpty())
        xx->setText(text);
}
