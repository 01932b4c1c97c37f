#include "pages/performance/colorcomboboxitem.h"

#include <QKeyEvent>

#include "pages/accessibility/accessiblefactory.h"

ColorComboboxItem::ColorComboboxItem(const QString &color, QWidget *parent)
    : QToolButton(parent), color(color)
{
    setFixedSize(16, 16);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(AccessibleFactory::spokenColour(QColor(color)));
    setStyleSheet(QStringLiteral("ColorComboboxItem{ \nbackground:\n") + color
                  + QStringLiteral(" ;\nborder:none;\nborder-radius:2px;\n} ColorComboboxItem:hover{ \n"
                                   "border:2px solid #ff8000;\n} ")
                  + QStringLiteral("ColorComboboxItem:focus{ border:2px solid #ffffff; } "));
}

void ColorComboboxItem::keyPressEvent(QKeyEvent *event)
{
    // Enter picks the swatch like Space does; left to the popup it would pick a whole row.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        click();
        return;
    }
    QToolButton::keyPressEvent(event);
}
