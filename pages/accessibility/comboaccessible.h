#pragma once

#include <QAccessibleWidget>

class QComboBox;

// Screen-reader face of a combo box that shows its value: Orca 43 reads a Qt combo box's value
// from a text it can query, which Qt's own face does not give, so it said only "Profile combo
// box". The popup list stays its child.
class ComboAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit ComboAccessible(QWidget *widget);

    QComboBox *comboBox() const;

    void *interface_cast(QAccessible::InterfaceType t) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

    // The value, read only.
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    QString value() const;
};
