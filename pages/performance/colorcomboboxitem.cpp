#include "pages/performance/colorcomboboxitem.h"

#include <QKeyEvent>

#include "pages/accessibility/accessiblefactory.h"
#include "resources/stylesheets.h"

ColorComboboxItem::ColorComboboxItem(const QString &color, QWidget *parent)
    : QToolButton(parent), color(color)
{
    setFixedSize(16, 16);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(AccessibleFactory::spokenColour(QColor(color)));
    setProperty("swatch", color);   // the application sheet has a rule for each palette colour
    StyleSheets::setLook(this, StyleSheets::PaletteSwatchLook);
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
