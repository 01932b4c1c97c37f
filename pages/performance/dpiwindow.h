#pragma once

#include <QFrame>
#include <QList>

class DpiBtn;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

// The DPI levels and report-rate page. It keeps no settings of its own: it edits the profile
// model (and reads the factory set) and tells the mouse after every change.
class DPIWindow : public QFrame
{
    Q_OBJECT
public:
    // Level cards, the last of them never shown.
    static constexpr int CardCount = 6;
    explicit DPIWindow(QWidget *parent = nullptr);

    int currentLevel = 0;

    QFrame *frame = nullptr;
    QFrame *frame_2 = nullptr;
    QFrame *frame_3 = nullptr;
    QLabel *dpiTxt = nullptr;
    QCheckBox *defaultDPIBtn = nullptr;
    QCheckBox *usrDPIBtn = nullptr;
    QLabel *levelTxt = nullptr;
    QComboBox *dpiComboBox = nullptr;
    QList<DpiBtn *> cards;   // dpi0 .. dpi5
    QLabel *xSliderTxt = nullptr;
    QLabel *ySliderTxt = nullptr;
    QSlider *xSlider = nullptr;
    QSlider *ySlider = nullptr;
    QCheckBox *xyBtn = nullptr;
    QLabel *pollingTxt = nullptr;
    QCheckBox *rate1000Btn = nullptr;
    QCheckBox *rate500Btn = nullptr;
    QCheckBox *rate250Btn = nullptr;
    QCheckBox *rate125Btn = nullptr;
    QLabel *propertyTxt = nullptr;
    QPushButton *systemBtn = nullptr;

    // The eighteen-number text of the DPI command for what the page shows now.
    QString dpiText() const;
    // Shows the profile model's DPI values and report rate without sending (a profile switch).
    void showProfile();

    // Puts a slider at a value and commits it to the active level, as a drag and release does
    // (a screen reader's set value comes here).
    void setSliderValue(QSlider *slider, int value);

public slots:
    void systemSetting();
    void pollingRateProc();
    void defaultOrUsrProc();
    void xyProc();
    void currentDpiCountProc(int index);
    void dpiChangedProc(int index);
    void selectChangedProc(int level);
    void selectChangedProc_Null(int level);
    void sliderValueChanged(int value);
    void deviceChangedProc(uchar deviceType);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildForm();
    void setConnections(bool on);
    void sendDpi();
    void loadDpiValues(bool fromProfile);
    void storeValues();
    void showCards(int comboIndex);
    void selectLevel(int level);
    // Fewer levels than the active one: the highest level still in use becomes active.
    void keepActiveLevelInUse();
    // Store, send, and switch to the user's set: the end of every value edit.
    void commitEdit();
    // The sliders' spoken names say which level they edit.
    void nameSliders();

    QSlider *m_heldSlider = nullptr;     // pressed with the mouse, or changing by a key
    bool m_keyChanged = false;           // a key moved a slider; commit when the key is let go
    bool m_connected = false;
    QList<QMetaObject::Connection> m_connections;
};
