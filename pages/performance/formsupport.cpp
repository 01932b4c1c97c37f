#include "pages/performance/formsupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QStyle>

QLabel *FormSupport::label(QWidget *parent, const char *name, StyleSheets::Look look)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    StyleSheets::setLook(l, look);
    return l;
}

void FormSupport::markRefused(QLineEdit *edit, const QString &reason)
{
    const bool refused = !reason.isEmpty();
    if (edit->property("refused").toBool() == refused && edit->toolTip() == reason)
        return;
    edit->setProperty("refused", refused);
    edit->setToolTip(reason);
    edit->setAccessibleDescription(reason);
    edit->style()->unpolish(edit);
    edit->style()->polish(edit);
    edit->update();
}

bool FormSupport::isRefused(const QLineEdit *edit)
{
    return edit->property("refused").toBool();
}
