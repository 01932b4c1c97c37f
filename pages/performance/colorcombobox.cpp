#include "pages/performance/colorcombobox.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QTableView>
#include <QWheelEvent>

#include "pages/accessibility/accessiblefactory.h"
#include "pages/performance/colorcomboboxitem.h"
#include "resources/stylesheets.h"

namespace {
constexpr int rows = 6;
constexpr int columns = 8;
}

ColorComboBox::ColorComboBox(QWidget *parent)
    : QComboBox(parent)
{
    // Before the popup's swatches exist, so that none is matched twice.
    StyleSheets::setLook(this, StyleSheets::ColorSlotLook);
    palette = QStringList{
        "#b71c1c", "#4a148d", "#1b237e", "#00579b", "#014c40", "#837717", "#f67e17", "#e65100",
        "#d43030", "#7b1fa2", "#283492", "#0178bb", "#02685e", "#9e9d24", "#f9a824", "#f06c00",
        "#e63936", "#8c25a7", "#3949ac", "#049ae6", "#01796c", "#b0b42c", "#fbc12e", "#f77c01",
        "#ef5351", "#9d27b0", "#3f51b8", "#42a5f5", "#009688", "#bfca33", "#ffec3c", "#ff9800",
        "#e57373", "#ba68c8", "#7a87cb", "#4fc4f7", "#4db5ab", "#dce877", "#fff177", "#ffcc80",
        "#ee9a9b", "#ce92db", "#a0a8da", "#82d4fb", "#7fcbc4", "#e7ed9b", "#fff49d", "#ffe0b2",
    };
    // Keyboard focus only: a click already shows as the orange selection border.
    setFocusPolicy(Qt::TabFocus);

    auto *model = new QStandardItemModel(rows, columns, this);
    setModel(model);
    m_table = new QTableView;
    m_table->setObjectName(QStringLiteral("paletteTable"));
    setView(m_table);   // the combo owns the view from here on
    m_table->horizontalHeader()->hide();
    m_table->verticalHeader()->hide();
    m_table->setShowGrid(false);
    m_table->setFixedSize(168, 129);
    m_table->horizontalHeader()->setMinimumSectionSize(20);
    m_table->verticalHeader()->setMinimumSectionSize(20);
    m_table->horizontalHeader()->setDefaultSectionSize(20);
    m_table->verticalHeader()->setDefaultSectionSize(20);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setFrameShape(QFrame::NoFrame);
    StyleSheets::setLook(m_table, StyleSheets::PaletteTableLook);

    swatch = new QLabel(this);
    swatch->setObjectName(QStringLiteral("swatch"));
    swatch->setFixedSize(16, 16);
    swatch->move(5, 3);
    swatch->setAttribute(Qt::WA_TransparentForMouseEvents);

    setFixedSize(48, 27);
    setColor(color);
    setSelected(false);
}

QList<ColorComboboxItem *> ColorComboBox::swatches()
{
    // Six slots with 48 swatches each were most of the lighting page's cost to build; the
    // palette is made when it is first opened.
    if (m_items.isEmpty()) {
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                auto *item = new ColorComboboxItem(palette.at(r * columns + c));
                m_table->setIndexWidget(model()->index(r, c), item);
                item->installEventFilter(this);
                connect(item, &QToolButton::clicked, this, &ColorComboBox::onSelectColor);
                m_items.append(item);
            }
        }
    }
    return m_items;
}

void ColorComboBox::setColor(const QString &text)
{
    color = text;
    swatch->setStyleSheet(QStringLiteral("QLabel{ \nborder-radius:3px;\nbackground-color:") + color
                          + QStringLiteral(";\n}\n "));
    updateAccessibleText();
}

void ColorComboBox::setSelected(bool on)
{
    selected = on;
    StyleSheets::setLook(this, on ? StyleSheets::ColorSlotSelectedLook : StyleSheets::ColorSlotLook);
    updateAccessibleText();
}

void ColorComboBox::updateAccessibleText()
{
    setAccessibleDescription(AccessibleFactory::spokenColour(QColor(color)));
}

void ColorComboBox::showPopup()
{
    swatches();
    QComboBox::showPopup();
    // The ordinary popup sizes itself for a list; this one is the fixed palette table.
    QWidget *popup = m_table->parentWidget();
    if (popup) {
        const QPoint below = mapToGlobal(QPoint(0, height()));
        popup->setGeometry(QRect(below, QSize(168, 129) + QSize(2, 2)));
    }
    ColorComboboxItem *current = m_items.value(palette.indexOf(color), m_items.value(0));
    if (current)
        current->setFocus(Qt::PopupFocusReason);
}

void ColorComboBox::onSelectColor(bool)
{
    auto *item = qobject_cast<ColorComboboxItem *>(sender());
    if (!item)
        return;
    setColor(item->color);
    hidePopup();
    emit clicked();
}

void ColorComboBox::mousePressEvent(QMouseEvent *event)
{
    if (selected)
        QComboBox::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        emit clicked();
    event->accept();
}

void ColorComboBox::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Select:
        if (selected)
            showPopup();
        emit clicked();
        event->accept();
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        // The combo's rows mean nothing here; stepping through them must not change anything.
        if (!(event->modifiers() & Qt::AltModifier)) {
            event->ignore();
            return;
        }
        break;
    default:
        break;
    }
    QComboBox::keyPressEvent(event);
}

void ColorComboBox::wheelEvent(QWheelEvent *event)
{
    event->ignore();
}

bool ColorComboBox::eventFilter(QObject *watched, QEvent *event)
{
    // Arrow keys walk the palette grid.
    if (event->type() == QEvent::KeyPress) {
        const int at = m_items.indexOf(static_cast<ColorComboboxItem *>(watched));
        if (at >= 0) {
            int r = at / columns;
            int c = at % columns;
            switch (static_cast<QKeyEvent *>(event)->key()) {
            case Qt::Key_Left: c = (c + columns - 1) % columns; break;
            case Qt::Key_Right: c = (c + 1) % columns; break;
            case Qt::Key_Up: r = (r + rows - 1) % rows; break;
            case Qt::Key_Down: r = (r + 1) % rows; break;
            default: return QComboBox::eventFilter(watched, event);
            }
            m_items.at(r * columns + c)->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}
