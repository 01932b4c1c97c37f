#include "pages/performance/dpibtn.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QRegularExpressionValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

#include "model/mousedata.h"
#include "model/profilerange.h"
#include "pages/accessibility/announcer.h"
#include "resources/stylesheets.h"

namespace {

// A card is announced as a checkable button ("Level 2, checked") whose press selects it; its two
// line edits stay reachable as its children.
class DpiBtnAccessible : public QAccessibleWidget
{
public:
    explicit DpiBtnAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::RadioButton) {}

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = static_cast<DpiBtn *>(widget())->selected;
        return s;
    }
    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &name) override
    {
        if (name == pressAction())
            static_cast<DpiBtn *>(widget())->press();
        else
            QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface *dpiBtnFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("DpiBtn") && object && object->isWidgetType())
        return new DpiBtnAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

const QColor selectedFrame(255, 80, 0);
const QColor plainFrame(43, 43, 43);

} // namespace

DpiBtn::DpiBtn(QWidget *parent)
    : QFrame(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(&dpiBtnFactory);
        return true;
    }();
    Q_UNUSED(installed);

    setFocusPolicy(Qt::StrongFocus);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("m_title"));
    m_title->setAlignment(Qt::AlignCenter);
    StyleSheets::setLook(m_title, StyleSheets::DpiCardTitleLook);
    m_xTitle = new QLabel(QStringLiteral("X"), this);
    m_yTitle = new QLabel(QStringLiteral("Y"), this);
    for (QLabel *l : {m_xTitle, m_yTitle})
        StyleSheets::setLook(l, StyleSheets::TransparentLabelLook);

    // An integer validator takes the locale's group separators ("1,600"), which toInt() reads as 0.
    validator = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,8}")), this);
    m_x = new QLineEdit(this);
    m_x->setObjectName(QStringLiteral("m_x"));
    m_y = new QLineEdit(this);
    m_y->setObjectName(QStringLiteral("m_y"));
    for (QLineEdit *e : {m_x, m_y}) {
        e->setValidator(validator);
        e->setFrame(false);
        StyleSheets::setLook(e, StyleSheets::LineEditLook);
        e->installEventFilter(this);
        connect(e, &QLineEdit::returnPressed, this, &DpiBtn::onReturnPressed);
    }

    m_VLayout = new QVBoxLayout(this);
    m_VLayout->setContentsMargins(8, 12, 8, 20);
    m_VLayout->setSpacing(4);
    m_HLayout1 = new QHBoxLayout;
    m_HLayout1->setSpacing(8);
    m_HLayout1->addWidget(m_xTitle);
    m_HLayout1->addWidget(m_x);
    m_HLayout2 = new QHBoxLayout;
    m_HLayout2->setSpacing(8);
    m_HLayout2->addWidget(m_yTitle);
    m_HLayout2->addWidget(m_y);
    m_VLayout->addWidget(m_title);
    m_VLayout->addLayout(m_HLayout1);
    m_VLayout->addLayout(m_HLayout2);
    m_VLayout->addStretch(1);

    setLargeScreen(false);
    setXYMode(false);
}

void DpiBtn::setLargeScreen(bool large)
{
    m_large = large;
    for (QLineEdit *e : {m_x, m_y})
        e->setMinimumSize(large ? QSize(100, 27) : QSize(64, 24));
    m_VLayout->setContentsMargins(8, large ? 24 : 12, 8, large ? 44 : 20);
    if (large)
        setFixedSize(160, 200);
    else
        setFixedSize(108, 120);
    update();
}

void DpiBtn::setTitle(const QString &text)
{
    m_title->setText(text);
    updateAccessibleText();
}

void DpiBtn::setXDpi(int value)
{
    m_x->setText(QString::number(value));
    m_x->setModified(false);
    updateAccessibleText();
}

void DpiBtn::setYDpi(int value)
{
    m_y->setText(QString::number(value));
    m_y->setModified(false);
    updateAccessibleText();
}

int DpiBtn::xDpi() const
{
    return m_x->text().toInt();
}

int DpiBtn::yDpi() const
{
    return m_y->text().toInt();
}

void DpiBtn::setXYMode(bool on)
{
    xyMode = on;
    m_xTitle->setVisible(on);
    m_yTitle->setVisible(on);
    m_y->setVisible(on);
    updateAccessibleText();
}

void DpiBtn::setSelected(bool on)
{
    selected = on;
    update();
    QAccessibleStateChangeEvent ev(this, [] {
        QAccessible::State s;
        s.checked = true;
        return s;
    }());
    QAccessible::updateAccessibility(&ev);
}

void DpiBtn::updateAccessibleText()
{
    const QString title = m_title->text();
    setAccessibleName(title);
    m_x->setAccessibleName(xyMode ? title + QLatin1String(" X") : title);
    m_y->setAccessibleName(title + QLatin1String(" Y"));
    setAccessibleDescription(xyMode ? m_x->text() + QLatin1String(" / ") + m_y->text() : m_x->text());
}

int DpiBtn::sendable(int dpi)
{
    return ProfileRange::dpi(dpi);
}

void DpiBtn::clampToLimits(QLineEdit *edit)
{
    const QString shown = QString::number(sendable(edit->text().toInt()));
    if (edit->text() != shown)
        edit->setText(shown);
}

void DpiBtn::onReturnPressed()
{
    auto *edit = qobject_cast<QLineEdit *>(sender());
    if (!edit)
        return;
    clampToLimits(edit);
    // Enter always commits, even an unchanged value, and the focus stays where the user typed:
    // taking it away would send a keyboard user back to the window's first control.
    edit->setModified(false);
    updateAccessibleText();
    emit dpiChanged(index);
    edit->selectAll();
    Announcer::say(edit, edit->accessibleName() + QStringLiteral(": ") + edit->text() + QStringLiteral(" DPI"));
}

void DpiBtn::press()
{
    selected = true;
    update();
    emit selectChanged(index);
}

bool DpiBtn::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && (watched == m_x || watched == m_y)) {
        auto *edit = static_cast<QLineEdit *>(watched);
        // Only a value the user touched is committed: tabbing through the cards must not send
        // commands nor turn the factory set into the user's.
        if (edit->isModified()) {
            clampToLimits(edit);
            edit->setModified(false);
            updateAccessibleText();
            emit dpiChanged(index);
        }
    }
    return QFrame::eventFilter(watched, event);
}

void DpiBtn::mousePressEvent(QMouseEvent *event)
{
    press();
    event->accept();
}

void DpiBtn::keyPressEvent(QKeyEvent *event)
{
    // Enter in a value field comes up here unhandled; it commits the value, it selects nothing.
    if (!hasFocus()) {
        QFrame::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Select:
        press();
        event->accept();
        return;
    default:
        QFrame::keyPressEvent(event);
    }
}

void DpiBtn::focusInEvent(QFocusEvent *event)
{
    QFrame::focusInEvent(event);
    // The focus ring is for keyboard users; a click already shows as the selection.
    m_focusRing = event->reason() != Qt::MouseFocusReason;
    update();
}

void DpiBtn::focusOutEvent(QFocusEvent *event)
{
    QFrame::focusOutEvent(event);
    update();
}

void DpiBtn::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QColor frame = selected ? selectedFrame : plainFrame;
    const int w = m_large ? 160 : 108;
    const int h = m_large ? 180 : 120;
    const int band = m_large ? 24 : 12;
    const int colourHeight = m_large ? 148 : 100;
    const int bodyBottom = m_large ? 155 : 107;
    p.setBrush(frame);
    p.drawRoundedRect(QRectF(0, 0, w, h), 12, 12);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(0, 0, w, colourHeight), 12, 12);
    p.setBrush(frame);
    p.drawRect(QRect(QPoint(0, band), QPoint(w - 1, bodyBottom)));
    if (hasFocus() && m_focusRing) {
        // Keyboard focus: a white ring inside the card, distinct from the orange selection.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::white, 2, Qt::DashLine));
        p.drawRoundedRect(QRectF(2, 2, w - 4, h - 4), 10, 10);
    }
}
