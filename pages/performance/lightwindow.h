#pragma once

#include <QFrame>
#include <QList>

class ColorBar;
class ColorComboBox;
class QLabel;
class QLineEdit;
class QToolButton;
class TickSlider;

// The lighting page: effect, brightness, speed and six colour slots. It reads the profile once,
// at construction; every action then stores lightValue / colorValue and tells the mouse.
class LightWindow : public QFrame
{
    Q_OBJECT
public:
    explicit LightWindow(QWidget *parent = nullptr);

    int suppressSends = 0;
    int currentSlot = 0;

    QFrame *frame = nullptr;
    QFrame *frame_2 = nullptr;
    QFrame *frame_3 = nullptr;
    QFrame *frame_4 = nullptr;
    QLabel *lightTxt = nullptr;
    QLabel *brightnessTxt = nullptr;
    QToolButton *toolButton = nullptr;
    QToolButton *toolButton_2 = nullptr;
    TickSlider *bSlider = nullptr;
    QLabel *speedTxt = nullptr;
    TickSlider *sSlider = nullptr;
    QList<QToolButton *> effectBtns;      // effectBtn0 .. effectBtn5
    QLabel *colorTxt = nullptr;
    QList<ColorComboBox *> lightColors;   // lightColor1 .. lightColor6
    QLineEdit *rgbLineEdit = nullptr;
    QLabel *label_6 = nullptr;
    QLabel *label_7 = nullptr;
    QLabel *label_8 = nullptr;
    QLineEdit *rLineEdit = nullptr;
    QLineEdit *gLineEdit = nullptr;
    QLineEdit *bLineEdit = nullptr;
    ColorBar *colorBar = nullptr;

    // "#rrggbb" in lower case.
    static QString hexColor(uchar r, uchar g, uchar b);
    // The effect whose button is checked; 0 when none is.
    int checkedEffect() const;
    // Shows the profile model's lighting and colours without sending (a profile switch).
    void showProfile();

public slots:
    void brightnessSetting(int value);
    void speedSetting(int value);
    void rgbReturnPressed();
    void hexReturnPressed();
    void selectLight();
    void selectEffect();
    void selectCurrentColor(uchar r, uchar g, uchar b, uchar a);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildForm();
    void sendLight();
    void applyColor(const QString &color);
    // Apply the typed channels or colour text; false (and the field marked) when refused.
    bool commitChannels();
    bool commitHex();
    // Says the colour now in the fields where the user typed it.
    void announceColour(QWidget *where);
    void setSliderQuietly(TickSlider *slider, int value);
    void showBrightnessLabel(int value);
    void showSpeedLabel(int value);
    void setEffectIcon(int effect, bool highlighted);
};
