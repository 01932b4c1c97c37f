#include "resources/lookcombobox.h"

#include <QAbstractItemView>

#include "pages/accessibility/announcer.h"
#include "resources/stylesheets.h"

void LookComboBox::showPopup()
{
    // Before the popup measures its rows: the delegate decides their height.
    StyleSheets::usePlainDelegate(this);
    QComboBox::showPopup();
}

void LookComboBox::keyPressEvent(QKeyEvent *event)
{
    const int before = currentIndex();
    QComboBox::keyPressEvent(event);
    // An arrow key changes the value in place, and a screen reader is told nothing of it; a
    // change that confirmed itself (a profile switched) has said more already.
    if (currentIndex() != before && !view()->isVisible() && !Announcer::pending(this))
        Announcer::say(this, currentText());
}
