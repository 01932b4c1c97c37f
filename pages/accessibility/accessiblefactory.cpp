#include "pages/accessibility/accessiblefactory.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QColor>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "pages/accessibility/announcer.h"
#include "pages/accessibility/buttonaccessible.h"
#include "pages/accessibility/comboaccessible.h"
#include "pages/accessibility/menulistaccessible.h"
#include "pages/accessibility/slideraccessible.h"

namespace {

// A pop-up notice: an alert whose name is what it says, so that it is read when it shows.
class NoticeAccessible : public QAccessibleWidget
{
public:
    explicit NoticeAccessible(QWidget *w, QAccessible::Role role = QAccessible::AlertMessage)
        : QAccessibleWidget(w, role)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name)
            return QAccessibleWidget::text(t);
        QStringList parts;
        if (auto *self = qobject_cast<QLabel *>(widget()))
            parts << self->text();
        const QList<QLabel *> labels = widget()->findChildren<QLabel *>();
        for (const QLabel *l : labels) {
            if (!l->text().isEmpty())
                parts << l->text();
        }
        return parts.join(QLatin1Char(' '));
    }
};

// The application as a screen reader lists it: by the program's name, not by the name the
// settings are filed under.
class ApplicationAccessible : public QAccessibleApplication
{
public:
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        return QAccessibleApplication::text(t);
    }
};

} // namespace

void AccessibleFactory::install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(&AccessibleFactory::create);
}

QString AccessibleFactory::spokenColour(const QColor &colour)
{
    return QStringLiteral("R %1, G %2, B %3").arg(colour.red()).arg(colour.green()).arg(colour.blue());
}

void AccessibleFactory::announce(QWidget *control, const QString &text)
{
    if (!control || text.isEmpty())
        return;
    // The same text again is news again (the same function chosen twice).
    if (control->accessibleDescription() == text)
        control->setAccessibleDescription(QString());
    control->setAccessibleDescription(text);
    Announcer::say(control, text);
}

void AccessibleFactory::focusCurrentRow(QAbstractItemView *view)
{
    if (!view || !QAccessible::isActive())
        return;
    // After the list's own focus event, which Qt sends once the focus-in is handled: the row
    // must come last to be where the screen reader is.
    QTimer::singleShot(0, view, [view]() {
        const QModelIndex current = view->currentIndex();
        if (!current.isValid() || !view->hasFocus())
            return;
        QAccessibleEvent event(view, QAccessible::Focus);
        event.setChild(current.row());
        QAccessible::updateAccessibility(&event);
    });
}

void AccessibleFactory::tabToChecked(const QList<QAbstractButton *> &group)
{
    const auto follow = [group]() {
        for (const QAbstractButton *b : group) {
            if (b->hasFocus())
                return; // the user is in the group; Qt keeps the stop where the focus is
        }
        for (QAbstractButton *b : group) {
            const Qt::FocusPolicy p = b->focusPolicy();
            b->setFocusPolicy(b->isChecked() ? Qt::FocusPolicy(p | Qt::TabFocus) : Qt::FocusPolicy(p & ~Qt::TabFocus));
        }
    };
    for (QAbstractButton *b : group)
        QObject::connect(b, &QAbstractButton::toggled, b, [follow](bool on) {
            if (on)
                follow();
        });
    bool anyChecked = false;
    for (const QAbstractButton *b : group)
        anyChecked = anyChecked || b->isChecked();
    if (anyChecked)
        follow();
}

void AccessibleFactory::menuStartsOnFirstEntry(QPushButton *button)
{
    QMenu *menu = button ? button->menu() : nullptr;
    if (!menu)
        return;
    QObject::connect(menu, &QMenu::aboutToShow, button, [button, menu]() {
        if (!button->hasFocus())
            return;
        QTimer::singleShot(0, menu, [menu]() {
            if (!menu->isVisible() || menu->activeAction())
                return;
            for (QAction *a : menu->actions()) {
                if (!a->isSeparator() && a->isVisible()) {
                    menu->setActiveAction(a);
                    return;
                }
            }
        });
    });
}

QAccessibleInterface *AccessibleFactory::create(const QString &className, QObject *object)
{
    if (object && object == QCoreApplication::instance())
        return new ApplicationAccessible;
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *w = static_cast<QWidget *>(object);
    if (className == QLatin1String("QPushButton") || className == QLatin1String("QToolButton")
        || className == QLatin1String("QCheckBox") || className == QLatin1String("QRadioButton"))
        return new ButtonAccessible(w);
    if (className == QLatin1String("QComboBox"))
        return new ComboAccessible(w);
    if (className == QLatin1String("QSlider"))
        return new SliderAccessible(w);
    if (className == QLatin1String("MenuListView"))
        return new MenuListAccessible(w);
    if (className == QLatin1String("QBalloonTip") || className == QLatin1String("NoticeBar"))
        return new NoticeAccessible(w);
    if (className == QLatin1String("Announcer"))
        return new NoticeAccessible(w, QAccessible::Notification);
    // Panels inside the window are panes; the frame role would announce each as a window.
    if (className == QLatin1String("QFrame") && !w->isWindow())
        return new QAccessibleWidget(w, QAccessible::Pane);
    return nullptr;
}
