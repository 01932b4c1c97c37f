#pragma once

#include <QFrame>

class QLabel;
class QVBoxLayout;

// The sensor page: no settings yet, one line of text.
class SensorWindow : public QFrame
{
    Q_OBJECT
public:
    explicit SensorWindow(QWidget *parent = nullptr);

    QVBoxLayout *verticalLayout = nullptr;
    QLabel *xx = nullptr;
};
