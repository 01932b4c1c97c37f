#pragma once

#include <QString>

class QComboBox;

// The widget style sheets of the dark look. Each text is compiled in under
// ":/styles/" and read once; widgets set them on themselves (there is no
// application-wide sheet). Texts may be concatenated to style one widget for
// several kinds of children, e.g. comboBox(Items27) + comboPopupScrollBar().
class StyleSheets
{
public:
    // Popup rows of a combo box: 24px (DPI and macro pages), 27px (assignment
    // menus and pickers), or the lighting page's colour slots, whose popup is a
    // padded swatch table rather than rows.
    enum ComboItems { Items24, Items27, ColorSlot };
    // Effect buttons of the lighting page: first row 8px, second row 16px padding on top.
    enum EffectRow { FirstRow, SecondRow };
    // Item geometry of the list views.
    enum ListItems { MenuList, DpiList, MacroList40, MacroList100 };
    enum MenuKind { TrayMenu, ContextMenu };

    // Registers the compiled-in pictures and sheets. Registration also runs at
    // program start whenever this class is linked; calling it again is harmless.
    static void initResources();

    static QString pagePanel();
    static QString pageFrame();
    static QString titleLabel();
    static QString plainLabel();
    static QString hoverLabel();
    static QString checkBox();
    static QString lineEdit();
    static QString comboBox(ComboItems items);
    static QString comboPopupScrollBar();
    static QString slider();
    static QString pushButton();
    static QString macroButton();
    static QString fieldButton();
    static QString flatTextButton();
    static QString inputDialogButton();
    static QString updateDialogButton();
    static QString navButton();
    static QString effectButton(EffectRow row);
    static QString listView(ListItems items);
    static QString listScrollBar();
    static QString menu(MenuKind kind);

    // Gives the combo box a plain styled item delegate (without it the popup's
    // item rules are ignored) and the combo sheet, followed by extra (for example
    // comboPopupScrollBar()).
    static void styleComboBox(QComboBox *box, ComboItems items, const QString &extra = QString());

    // The text of ":/styles/<name>.qss"; empty when there is no such sheet.
    static QString sheet(const QString &name);
};
