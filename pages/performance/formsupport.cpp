#include "pages/performance/formsupport.h"

#include <QLabel>

QLabel *FormSupport::label(QWidget *parent, const char *name, const QString &sheet)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setStyleSheet(sheet);
    return l;
}
