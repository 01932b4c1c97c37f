#pragma once

#include <QFrame>

class QPushButton;

// The navigation column: one checkable button per page, index = page number.
class funBtnWindow : public QFrame
{
    Q_OBJECT
public:
    explicit funBtnWindow(QWidget *parent = nullptr);

    // Checks button 0..4 without emitting windowSelect; other values are ignored.
    void setCurrentButton(int index);
    void setLightButtonVisible(bool visible);

    QPushButton *keyBtn = nullptr;
    QPushButton *dpiBtn = nullptr;
    QPushButton *lightBtn = nullptr;
    QPushButton *macroBtn = nullptr;
    QPushButton *sensorBtn = nullptr;

signals:
    void windowSelect(int index);

public slots:
    void tempWindowSelect();

private:
    QList<QPushButton *> buttons() const;
    void setAccessibleNames();
};
