#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>

class QWidget;

// Keeps keyboard focus visible everywhere. The style sheets of the pages draw buttons and
// fields without the style's focus frame; this draws an orange ring around whichever widget
// took focus from the keyboard (Tab, Shift+Tab, a shortcut), in every window of the program,
// and follows it as it moves. Focus taken with the mouse is where the user just clicked and
// gets no ring. The ring never takes mouse events.
class FocusRing : public QObject
{
    Q_OBJECT
public:
    explicit FocusRing(QObject *parent = nullptr);

    // The ring of `window`, or nullptr when none was needed yet (for tests).
    QWidget *ringOf(const QWidget *window) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void focusChanged(QWidget *old, QWidget *now);
    void place();

    QPointer<QWidget> m_target;
    QHash<const QWidget *, QPointer<QWidget>> m_rings; // by top-level window
    bool m_fromKeyboard = false;
};
