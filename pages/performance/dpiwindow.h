#pragma once

#include <QFrame>

// The DPI levels and report-rate page.
class DPIWindow : public QFrame
{
    Q_OBJECT
public:
    explicit DPIWindow(QWidget *parent = nullptr);
};
