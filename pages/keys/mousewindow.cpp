#include "pages/keys/mousewindow.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>
#include <QVBoxLayout>

#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "pages/keys/keysaccessible.h"
#include "pages/keys/listsupport.h"
#include "pages/keys/mousekey.h"
#include "resources/pictures.h"

namespace {

struct MarkerDef
{
    int baseWidth;
    bool rightSide;
};

const MarkerDef markerDefs[6] = {
    {218, false}, {166, true}, {218, true}, {170, false}, {190, false}, {218, true},
};

// Offsets from the picture's top-left corner: [family group][screen class group][marker].
const QPoint markerOffsets[2][2][6] = {
    {// other families
     {{-160, 150}, {158, 150}, {106, 190}, {-160, 250}, {-160, 340}, {108, 250}},
     {{-240, 130}, {233, 135}, {163, 198}, {-263, 315}, {-263, 410}, {162, 288}}},
    {// families 5 and 6
     {{-160, 120}, {158, 120}, {112, 180}, {-160, 250}, {-160, 320}, {190, 290}},
     {{-240, 120}, {233, 120}, {166, 180}, {-263, 315}, {-263, 410}, {279, 340}}},
};

QString labelFor(int i, bool profile)
{
    if (profile) {
        const KeyFunction *f = MouseData::instance()->keyFunction(i);
        return f ? f->label : QString();
    }
    const KeyFunction *f = MouseDefaultData::instance()->defaultKeyFunction(i);
    return f ? f->label : QString();
}

} // namespace

mouseWindow::mouseWindow(QWidget *parent) : QFrame(parent)
{
    KeysAccessible::install();
    MouseData *md = MouseData::instance();
    setObjectName(QStringLiteral("mouseWindow"));
    setMinimumSize(600, 696);
    setMaximumSize(5000, 5000);
    if (md->screenClass == 4)
        setMinimumSize(1200, 900);

    mouseImage = new QLabel(this);
    mouseImage->setObjectName(QStringLiteral("mouseImage"));
    // Until a mouse is attached the label keeps the picture's size, so the markers stand
    // where they will stand once the picture arrives.
    mouseImage->setFixedSize(md->screenClass == 4 ? QSize(347, 721) : QSize(231, 548));
    m_pictureDecodePath = pictureFor(md->deviceType, md->screenClass);
    m_pictureDecode = Pictures::decodeLater(m_pictureDecodePath);

    mouseBottomFrame = new QFrame(this);
    mouseBottomFrame->setObjectName(QStringLiteral("mouseBottomFrame"));
    mouseBottomFrame->setMinimumHeight(48);
    settingTxt = new QLabel(mouseBottomFrame);
    settingTxt->setObjectName(QStringLiteral("settingTxt"));
    helpBtn = new QToolButton(mouseBottomFrame);
    helpBtn->setObjectName(QStringLiteral("helpBtn"));
    helpBtn->setIcon(Pictures::icon(QStringLiteral(":/images/help.png")));
    defaultSettingBtn = new QCheckBox(mouseBottomFrame);
    defaultSettingBtn->setObjectName(QStringLiteral("defaultSettingBtn"));
    defaultSettingBtn->setAutoExclusive(true);
    usrSettingBtn = new QCheckBox(mouseBottomFrame);
    usrSettingBtn->setObjectName(QStringLiteral("usrSettingBtn"));
    usrSettingBtn->setAutoExclusive(true);
    defaultSettingBtn->setChecked(true);

    auto *bottom = new QHBoxLayout(mouseBottomFrame);
    bottom->setContentsMargins(20, 8, 20, 8);
    bottom->setSpacing(16);
    bottom->addWidget(settingTxt);
    bottom->addWidget(helpBtn);
    bottom->addStretch(1);
    bottom->addWidget(defaultSettingBtn);
    bottom->addWidget(usrSettingBtn);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 30, 20, 20);
    layout->addWidget(mouseImage, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    layout->addWidget(mouseBottomFrame);

    StyleSheets::setLook(this, StyleSheets::MouseWindowLook);

    settingTxt->setText(md->languageText(58));
    defaultSettingBtn->setText(md->languageText(59));
    usrSettingBtn->setText(md->languageText(60));

    helpBtn->hide();
    mouseImage->setScaledContents(true);
    mouseBottomFrame->installEventFilter(this);

    for (int i = 0; i < 6; ++i) {
        auto *key = new MouseKey(i, markerDefs[i].baseWidth, markerDefs[i].rightSide, this);
        key->setText(labelFor(i, md->isDefaultKey == 1));
        markers.append(key);
    }
    for (int i = 1; i < markers.size(); ++i)
        setTabOrder(markers[i - 1], markers[i]);
    setTabOrder(markers.last(), defaultSettingBtn);
    setTabOrder(defaultSettingBtn, usrSettingBtn);

    if (md->isDefaultKey == 1)
        usrSettingBtn->setChecked(true);
    else
        defaultSettingBtn->setChecked(true);

    connect(defaultSettingBtn, &QCheckBox::clicked, this, &mouseWindow::selectUsrSetting);
    connect(usrSettingBtn, &QCheckBox::clicked, this, &mouseWindow::selectUsrSetting);
    for (MouseKey *key : std::as_const(markers))
        connect(key, &MouseKey::mouseKeyClick, this, &mouseWindow::selectMouseKey);
    connect(md, &MouseData::mouseKeyChanged, this, &mouseWindow::updateMouseKey);
    connect(md, &MouseData::mouseValueChanged, this, &mouseWindow::updateMouseValue);
    connect(md, &MouseData::refreashData, this, &mouseWindow::refreashDataProc);
    connect(MouseDefaultData::instance(), &MouseDefaultData::refreashData, this,
            &mouseWindow::refreashDataProc);
    connect(md, &MouseData::deviceChange, this, &mouseWindow::deviceChangedProc);
}

QString mouseWindow::pictureFor(uchar deviceType, int screenClass)
{
    const bool large = screenClass == 4;
    if (deviceType == 5 || deviceType == 6)
        return large ? QStringLiteral(":/images/mouseH_1.png") : QStringLiteral(":/images/mouse_1.png");
    return large ? QStringLiteral(":/images/mouseH.png") : QStringLiteral(":/images/mouse.png");
}

void mouseWindow::selectUsrSetting()
{
    MouseData *md = MouseData::instance();
    if (defaultSettingBtn->isChecked()) {
        MouseDefaultData::instance()->restoreDefaultKeys();
        md->isDefaultKey = 0;
    } else {
        md->sendAllKeys();
        md->isDefaultKey = 1;
    }
}

void mouseWindow::selectMouseKey(int index)
{
    if (!validMarker(index))
        return;
    MouseData *md = MouseData::instance();
    const int c = md->currentKey;
    if (c == index)
        return;
    if (validMarker(c))
        markers[c]->setSelected(false);
    markers[index]->setSelected(true);
    md->currentKey = uchar(index);
    emit md->mouseKeyChanged(1, index);
    currentMarker = uchar(index);
}

void mouseWindow::updateMouseKey(int objectIndex, int index)
{
    if (objectIndex == 1 || !validMarker(index))
        return;
    for (MouseKey *key : std::as_const(markers))
        key->setSelected(false);
    markers[index]->setSelected(true);
    currentMarker = uchar(index);
}

void mouseWindow::updateMouseValue(QString label)
{
    // The label belongs to the key that was programmed, the model's current key.
    const int key = MouseData::instance()->currentKey;
    if (validMarker(key))
        markers[key]->setText(label);
    usrSettingBtn->setChecked(true);
    MouseData::instance()->isDefaultKey = 1;
}

void mouseWindow::refreashDataProc(int index)
{
    for (int i = 0; i < markers.size(); ++i)
        markers[i]->setText(labelFor(i, index != 0));
    // The boxes name the layout the markers show (a profile switch brings its own).
    (index != 0 ? usrSettingBtn : defaultSettingBtn)->setChecked(true);
}

QImage mouseWindow::picture(const QString &path)
{
    std::future<QImage> decode = std::move(m_pictureDecode);
    if (decode.valid() && path == m_pictureDecodePath)
        return decode.get();
    return QImage(path);
}

void mouseWindow::deviceChangedProc(uchar deviceType)
{
    const QImage image = picture(pictureFor(deviceType, MouseData::instance()->screenClass));
    const QPixmap pixmap = QPixmap::fromImage(image);
    mouseImage->setPixmap(pixmap);
    if (!pixmap.isNull())
        mouseImage->setFixedSize(pixmap.size());
    if (layout())
        layout()->activate();
    placeMarkers();
}

void mouseWindow::placeMarkers()
{
    const MouseData *md = MouseData::instance();
    const int family = (md->deviceType == 5 || md->deviceType == 6) ? 1 : 0;
    const int screen = md->screenClass == 0 ? 0 : 1;
    const QPoint origin = mouseImage->pos();
    for (int i = 0; i < markers.size() && i < 6; ++i)
        markers[i]->move(origin + markerOffsets[family][screen][i]);
}

void mouseWindow::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    if (layout())
        layout()->activate();
    placeMarkers();
}

void mouseWindow::showEvent(QShowEvent *event)
{
    QFrame::showEvent(event);
    placeMarkers();
}

bool mouseWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mouseBottomFrame && event->type() == QEvent::Paint) {
        QPainter p(mouseBottomFrame);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QColor(0, 0, 0, 128));
        p.setBrush(QColor(0, 0, 0, 128));
        p.drawRoundedRect(QRect(0, 0, mouseBottomFrame->width(), mouseBottomFrame->height()), 8, 8,
                          Qt::AbsoluteSize);
    }
    return QFrame::eventFilter(watched, event);
}
