#include "platform/darklook.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>
#include <QToolTip>

void DarkLook::install(QApplication &app)
{
    // A desktop theme's style may ignore the palette (it draws its own light dialogs); Fusion
    // takes it whole and is always there.
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);

    const QColor panel(26, 26, 26);
    const QColor raised(43, 43, 43);
    const QColor field(49, 49, 49);
    const QColor button(67, 67, 67);
    const QColor text(255, 255, 255);
    const QColor dimmed(155, 155, 155);
    const QColor accent(255, 80, 0);

    QPalette p;
    p.setColor(QPalette::Window, panel);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, field);
    p.setColor(QPalette::AlternateBase, raised);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::PlaceholderText, dimmed);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, accent);
    p.setColor(QPalette::Highlight, accent);
    p.setColor(QPalette::HighlightedText, text);
    p.setColor(QPalette::Link, accent);
    p.setColor(QPalette::ToolTipBase, QColor(68, 69, 73));
    p.setColor(QPalette::ToolTipText, QColor(225, 225, 225));
    p.setColor(QPalette::Light, QColor(106, 106, 106));
    p.setColor(QPalette::Midlight, QColor(80, 80, 80));
    p.setColor(QPalette::Mid, raised);
    p.setColor(QPalette::Dark, QColor(16, 16, 16));
    p.setColor(QPalette::Shadow, QColor(0, 0, 0));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, dimmed);
    p.setColor(QPalette::Disabled, QPalette::Highlight, raised);
    app.setPalette(p);
    QToolTip::setPalette(p);
}
