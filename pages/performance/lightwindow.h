#pragma once

#include <QFrame>

// The lighting page: effect, brightness, speed and colours.
class LightWindow : public QFrame
{
    Q_OBJECT
public:
    explicit LightWindow(QWidget *parent = nullptr);
};
