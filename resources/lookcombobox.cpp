#include "resources/lookcombobox.h"

#include "resources/stylesheets.h"

void LookComboBox::showPopup()
{
    // Before the popup measures its rows: the delegate decides their height.
    StyleSheets::usePlainDelegate(this);
    QComboBox::showPopup();
}
