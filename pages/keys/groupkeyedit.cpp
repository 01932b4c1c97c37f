#include "pages/keys/groupkeyedit.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "model/mousedata.h"
#include "platform/scancode.h"

GroupKeyEdit::GroupKeyEdit(QWidget *parent) : QLineEdit(parent)
{
    setObjectName(QStringLiteral("inputEdit"));
    setAlignment(Qt::AlignCenter);
    setFocusPolicy(Qt::StrongFocus);
    // Text input methods would bypass keyPressEvent.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setDragEnabled(false);
    // Whatever path a text might still find (a platform paste, an accessibility setText)
    // is undone: the field only ever shows the captured keys.
    connect(this, &QLineEdit::textChanged, this, [this] { refreshText(); });
}

int GroupKeyEdit::usageFor(const QKeyEvent *event)
{
    // The physical key decides first: with Shift held X reports the left Alt key as Meta_L,
    // and the Windows keys arrive as Super_L/R, not as Key_Meta.
    switch (ScanCode::fromKeyEvent(event)) {
    case ScanCode::LeftCtrl: return 224;
    case ScanCode::LeftShift: return 225;
    case ScanCode::LeftAlt: return 226;
    case ScanCode::LeftMeta: return 227;
    case ScanCode::RightCtrl: return 228;
    case ScanCode::RightShift: return 229;
    case ScanCode::RightAlt: return 230;
    case ScanCode::RightMeta: return 231;
    default: break;
    }

    const int key = event->key();
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return 4 + (key - Qt::Key_A);
    if (key >= Qt::Key_1 && key <= Qt::Key_9)
        return 30 + (key - Qt::Key_1);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return 58 + (key - Qt::Key_F1);

    switch (key) {
    // What the right Alt key reports on many X11 and Wayland layouts.
    case Qt::Key_AltGr: return 230;
    case Qt::Key_0: return 39;
    case Qt::Key_Return: return 40;
    case Qt::Key_Escape: return 41;
    case Qt::Key_Backspace: return 42;
    case Qt::Key_Tab: return 43;
    case Qt::Key_Space: return 44;
    case Qt::Key_Minus: return 45;
    case Qt::Key_Equal: return 46;
    case Qt::Key_BracketLeft: return 47;
    case Qt::Key_BracketRight: return 48;
    case Qt::Key_Backslash: return 49;
    case Qt::Key_Semicolon: return 51;
    case Qt::Key_Apostrophe: return 52;
    case Qt::Key_QuoteLeft: return 53;
    case Qt::Key_Comma: return 54;
    case Qt::Key_Period: return 99;
    case Qt::Key_Slash: return 84;
    case Qt::Key_CapsLock: return 57;
    case Qt::Key_Print: return 70;
    case Qt::Key_ScrollLock: return 71;
    case Qt::Key_Pause: return 72;
    case Qt::Key_Insert: return 73;
    case Qt::Key_Home: return 74;
    case Qt::Key_PageUp: return 75;
    case Qt::Key_Delete: return 76;
    case Qt::Key_End: return 77;
    case Qt::Key_PageDown: return 78;
    case Qt::Key_Right: return 79;
    case Qt::Key_Left: return 80;
    case Qt::Key_Down: return 81;
    case Qt::Key_Up: return 82;
    case Qt::Key_NumLock: return 83;
    case Qt::Key_Asterisk: return 85;
    case Qt::Key_Plus: return 87;
    case Qt::Key_Enter: return 88;
    case Qt::Key_Menu: return 101;
    case Qt::Key_Meta:
    case Qt::Key_Super_L: return 227;
    case Qt::Key_Super_R: return 231;
    default: break;
    }

    const int scan = ScanCode::fromKeyEvent(event);
    switch (key) {
    case Qt::Key_Control:
        return scan == ScanCode::LeftCtrl ? 224 : scan == ScanCode::RightCtrl ? 228 : 1;
    case Qt::Key_Shift:
        return scan == ScanCode::LeftShift ? 225 : scan == ScanCode::RightShift ? 229 : 1;
    case Qt::Key_Alt:
        return scan == ScanCode::LeftAlt ? 226 : scan == ScanCode::RightAlt ? 230 : 1;
    default:
        return 1;
    }
}

void GroupKeyEdit::keyPressEvent(QKeyEvent *event)
{
    const int usage = usageFor(event);
    const QString name = MouseData::instance()->keyNames.value(usage);
    const int slot = position >= 0 && position <= 2 ? position : 2;
    (slot == 0 ? firstKey : slot == 1 ? secondKey : thirdKey) = name;
    codes[slot] = name.isEmpty() ? 0 : usage;
    position = position >= 2 ? 0 : position + 1;
    refreshText();
    event->accept();
}

void GroupKeyEdit::clearKeys()
{
    position = 0;
    firstKey.clear();
    secondKey.clear();
    thirdKey.clear();
    codes[0] = codes[1] = codes[2] = 0;
    refreshText();
}

void GroupKeyEdit::shownCodes(int out[3]) const
{
    out[0] = out[1] = out[2] = 0;
    if (firstKey.isEmpty())
        return;
    out[0] = codes[0];
    if (secondKey.isEmpty())
        return;
    out[1] = codes[1];
    if (!thirdKey.isEmpty())
        out[2] = codes[2];
}

void GroupKeyEdit::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    clearKeys();
    setFocus(Qt::MouseFocusReason);
}

void GroupKeyEdit::mouseReleaseEvent(QMouseEvent *event)
{
    // The line edit's own handler pastes the X selection on a middle click.
    event->accept();
}

void GroupKeyEdit::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
}

void GroupKeyEdit::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
}

void GroupKeyEdit::inputMethodEvent(QInputMethodEvent *event)
{
    event->ignore();
}

void GroupKeyEdit::refreshText()
{
    QString shown;
    if (!firstKey.isEmpty()) {
        shown = firstKey;
        if (!secondKey.isEmpty()) {
            shown += QLatin1Char('+') + secondKey;
            if (!thirdKey.isEmpty())
                shown += QLatin1Char('+') + thirdKey;
        }
    }
    if (text() != shown)
        setText(shown);
}
