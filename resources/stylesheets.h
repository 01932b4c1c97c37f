#pragma once

#include <QString>

class QComboBox;
class QWidget;

// The style sheets of the dark look. Each text is compiled in under ":/styles/"
// and read once. The program sets them all at once as the application's sheet:
// a widget names its look with setLook(), and the application sheet holds each
// look's rules scoped to the widgets of that look (and their children, as a
// widget's own sheet would). Parsing one sheet once is what keeps start-up and
// memory small; the per-widget texts below stay for what builds its own sheet.
class StyleSheets
{
public:
    // The looks of the application sheet. Order matters: where rules of equal
    // weight meet, the later look wins, so looks of outer widgets come first.
    enum Look {
        // Outer widgets: pages, panels, columns.
        MainWindowLook, ProfileBarLook, PagePanelLook, PageFrameLook, MouseWindowLook,
        NavColumnLook, DpiPageLook, LightPageLook, SensorPageLook, InputDialogLook, UpdateDialogLook,
        RulesDialogLook,
        // Widgets inside them.
        TitleLabelLook, PlainLabelLook, MacroBindLabelLook, AccentLabelLook, TransparentLabelLook,
        DpiCardTitleLook, PinLabelLook, SensorValueLook, NoticeBarLook, NoMouseNoticeLook,
        CheckBoxLook, FocusCheckBoxLook, LineEditLook, ListLineEditLook, Combo24Look, Combo27Look,
        SliderLook, PushButtonLook, ListButtonLook, MenuButtonLook, MacroButtonLook, FieldButtonLook,
        FlatTextButtonLook, EffectButton1Look, EffectButton2Look, MenuListLook, DpiListLook,
        MacroListLook, TrayMenuLook, ContextMenuLook, TitleButtonLook, TitleButtonHoverLook,
        SettingButtonLook, SettingButtonHoverLook, MacroPanelLook, ColorSlotLook,
        ColorSlotSelectedLook, InputTextLook, InputButtonBoxLook, InputButtonLook, UpdateButtonsLook,
        RuleTableLook,
        // Widgets inside those.
        FolderIconLook, PaletteTableLook, PaletteSwatchLook,
        LookCount
    };

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

    // Gives the widget its look: tags it and installs the application sheet if
    // the application has no sheet yet. A widget already shown is polished again.
    static void setLook(QWidget *widget, Look look);
    // setLook() for a combo box, with the plain item delegate its popup rules need; a
    // LookComboBox takes the delegate when its popup first opens.
    static void setComboLook(QComboBox *box, Look look);
    // Without a plain styled delegate a combo box's popup ignores the item rules of its sheet.
    static void usePlainDelegate(QComboBox *box);
    // The one application sheet with the rules of every look.
    static QString application();
    // Sets application() as the application's sheet unless it has one already.
    static void installApplicationSheet();
    // The name a look's widgets carry in their "look" property.
    static QString lookName(Look look);

    // The text of ":/styles/<name>.qss"; empty when there is no such sheet.
    static QString sheet(const QString &name);
};
