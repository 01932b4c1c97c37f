#pragma once

#include <QFrame>
#include <QImage>
#include <QList>
#include <QString>

#include <future>

class MouseKey;
class QCheckBox;
class QLabel;
class QToolButton;

// The mouse page: the picture with its six key markers and the factory/user layout switch.
class mouseWindow : public QFrame
{
    Q_OBJECT
public:
    explicit mouseWindow(QWidget *parent = nullptr);

    QLabel *mouseImage = nullptr;
    QFrame *mouseBottomFrame = nullptr;
    QLabel *settingTxt = nullptr;
    QToolButton *helpBtn = nullptr;
    QCheckBox *defaultSettingBtn = nullptr;
    QCheckBox *usrSettingBtn = nullptr;

    QList<MouseKey *> markers;
    uchar currentMarker = 0;

    // The picture resource chosen for a device type on this screen class.
    static QString pictureFor(uchar deviceType, int screenClass);

public slots:
    void selectUsrSetting();
    void selectMouseKey(int index);
    void updateMouseKey(int objectIndex, int index);
    void updateMouseValue(QString label);
    void refreashDataProc(int index);
    void deviceChangedProc(uchar deviceType);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeMarkers();
    QImage picture(const QString &path);

    // The picture a mouse will most likely need, decoded while the window is being built.
    std::future<QImage> m_pictureDecode;
    QString m_pictureDecodePath;
    bool validMarker(int index) const { return index >= 0 && index < markers.size(); }
};
