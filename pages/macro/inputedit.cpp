#include "pages/macro/inputedit.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpressionValidator>

#include "model/mousedata.h"
#include "pages/keys/groupkeyedit.h"

InputEdit::InputEdit(QWidget *parent) : QLineEdit(parent)
{
    setObjectName(QStringLiteral("insertLineEdit"));
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void InputEdit::setNumberMode(bool on)
{
    numberMode = on;
    // Pause lengths are whole milliseconds the mouse can hold, in digits whatever the locale.
    setValidator(on ? new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), this)
                    : nullptr);
    setAttribute(Qt::WA_InputMethodEnabled, on);
    clear();
}

bool InputEdit::isActionName(const QString &name)
{
    static const QStringList mouse{QStringLiteral("MS-L"), QStringLiteral("MS-R"), QStringLiteral("MS-M"),
                                   QStringLiteral("MS-B4"), QStringLiteral("MS-B5")};
    return mouse.contains(name) || (!name.isEmpty() && MouseData::instance()->keyCode(name) != 0);
}

int InputEdit::keyCode(const QKeyEvent *event)
{
    // The same capture table as the key page's.
    return GroupKeyEdit::usageFor(event);
}

int InputEdit::buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 240;
    case Qt::RightButton: return 241;
    case Qt::MiddleButton: return 242;
    case Qt::BackButton: return 243;
    case Qt::ForwardButton: return 244;
    default: return 1;
    }
}

QString InputEdit::codeName(int code)
{
    return MouseData::instance()->keyNames.value(code);
}

void InputEdit::mousePressEvent(QMouseEvent *event)
{
    if (numberMode)
        return;
    setText(codeName(buttonCode(event->button())));
    event->accept();
}

void InputEdit::mouseReleaseEvent(QMouseEvent *event)
{
    // The line edit's own handler pastes the X selection on a middle click.
    if (numberMode && event->button() != Qt::MiddleButton)
        QLineEdit::mouseReleaseEvent(event);
    else
        event->accept();
}

void InputEdit::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (numberMode)
        QLineEdit::mouseDoubleClickEvent(event);
    else
        event->accept();
}

void InputEdit::mouseMoveEvent(QMouseEvent *event)
{
    if (numberMode)
        QLineEdit::mouseMoveEvent(event);
    else
        event->accept();
}

void InputEdit::inputMethodEvent(QInputMethodEvent *event)
{
    if (numberMode)
        QLineEdit::inputMethodEvent(event);
    else
        event->ignore();
}

void InputEdit::dragEnterEvent(QDragEnterEvent *event)
{
    if (numberMode)
        QLineEdit::dragEnterEvent(event);
    else
        event->ignore();
}

void InputEdit::dropEvent(QDropEvent *event)
{
    if (numberMode)
        QLineEdit::dropEvent(event);
    else
        event->ignore();
}

void InputEdit::contextMenuEvent(QContextMenuEvent *event)
{
    if (numberMode)
        QLineEdit::contextMenuEvent(event);
    else
        event->accept();
}

void InputEdit::keyPressEvent(QKeyEvent *event)
{
    if (numberMode) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    setText(codeName(keyCode(event)));
    event->accept();
}
