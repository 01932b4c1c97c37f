#include "pages/performance/lightwindow.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

#include "device/controller.h"
#include "device/ic.h"
#include "model/mousedata.h"
#include "model/settingsio.h"
#include "pages/accessibility/accessiblefactory.h"
#include "pages/accessibility/announcer.h"
#include "pages/performance/colorbar.h"
#include "pages/performance/colorcombobox.h"
#include "pages/performance/formsupport.h"
#include "pages/performance/tickslider.h"
#include "resources/stylesheets.h"
#include "resources/pictures.h"

namespace {

constexpr int effectCount = 6;
constexpr int slotCount = 6;

const char *const effectImages[effectCount] = {"lightOFF", "lightStatic", "lightBreath",
                                               "lightRGB", "liightSwim", "lightFinger"};

QString effectImage(int effect, bool highlighted)
{
    return QStringLiteral(":/light/images/light/") + QLatin1String(effectImages[effect])
        + (highlighted ? QStringLiteral("S.png") : QStringLiteral(".png"));
}

Ic *chip()
{
    return Controller::instance()->currentIc();
}

QString languageText(int n)
{
    return MouseData::instance()->languageText(n);
}

uchar hexByte(const QString &color, int at)
{
    return uchar(color.mid(at, 2).toUInt(nullptr, 16));
}

} // namespace

LightWindow::LightWindow(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("LightWindow"));
    buildForm();
    MouseData *md = MouseData::instance();

    if (md->screenClass != 0) {
        for (QToolButton *b : std::as_const(effectBtns))
            b->setMinimumSize(120, 120);
        for (ColorComboBox *c : std::as_const(lightColors))
            c->setMinimumSize(64, 27);
    }

    toolButton->hide();
    toolButton_2->hide();

    connect(bSlider, &QSlider::valueChanged, this, &LightWindow::brightnessSetting);
    connect(sSlider, &QSlider::valueChanged, this, &LightWindow::speedSetting);
    // Digits only in the channels and #rrggbb in the colour field, whatever the locale; a value
    // is applied on Enter and when the field is left, as what is shown must be what is used.
    const auto digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
    for (QLineEdit *e : {rLineEdit, gLineEdit, bLineEdit}) {
        e->setValidator(digits);
        connect(e, &QLineEdit::returnPressed, this, &LightWindow::rgbReturnPressed);
        e->installEventFilter(this);
    }
    rgbLineEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("#?[0-9A-Fa-f]{0,6}")), this));
    rgbLineEdit->setAccessibleDescription(languageText(131));
    connect(rgbLineEdit, &QLineEdit::returnPressed, this, &LightWindow::hexReturnPressed);
    rgbLineEdit->installEventFilter(this);
    for (ColorComboBox *c : std::as_const(lightColors))
        connect(c, &ColorComboBox::clicked, this, &LightWindow::selectLight);
    connect(colorBar, &ColorBar::currentColor, this, &LightWindow::selectCurrentColor);

    const QVariantList &light = md->lightValue;
    if (light.size() == 4) {
        setSliderQuietly(bSlider, light.at(1).toString().trimmed().toInt());
        setSliderQuietly(sSlider, light.at(2).toString().trimmed().toInt());
        currentSlot = int(light.at(3).toString().trimmed().toUInt());
        if (currentSlot >= 0 && currentSlot < slotCount)
            lightColors[currentSlot]->setSelected(true);
    } else {
        showBrightnessLabel(bSlider->value());
        showSpeedLabel(sSlider->value());
    }

    // No stored effect reads as light off.
    bool ok = true;
    const int effect = light.isEmpty() ? 0 : light.at(0).toString().trimmed().toInt(&ok);
    if (ok && effect >= 0 && effect < effectCount) {
        effectBtns[effect]->setChecked(true);
        setEffectIcon(effect, true);
    }

    for (QToolButton *b : std::as_const(effectBtns)) {
        b->installEventFilter(this);
        connect(b, &QToolButton::clicked, this, &LightWindow::selectEffect);
    }

    const QVariantList &colors = md->colorValue;
    if (colors.size() == 24) {
        for (int k = 0; k < slotCount; ++k) {
            const uchar r = SettingsIo::byteOf(colors.at(3 * k));
            const uchar g = SettingsIo::byteOf(colors.at(3 * k + 1));
            const uchar b = SettingsIo::byteOf(colors.at(3 * k + 2));
            lightColors[k]->setColor(hexColor(r, g, b));
        }
        if (currentSlot >= 0 && currentSlot < slotCount)
            applyColor(lightColors[currentSlot]->color);
    }
}

void LightWindow::buildForm()
{
    resize(1108, 600);
    // The panels' own minimums (200 + 160 + 320 and the gaps) need more than 600 pixels; the
    // layout's minimum height stands so that the effect buttons are never cut off.
    setMinimumWidth(1108);
    setMaximumSize(5000, 5000);
    StyleSheets::setLook(this, StyleSheets::LightPageLook);

    const auto panelSheet = StyleSheets::PagePanelLook;
    const auto plain = StyleSheets::PlainLabelLook;

    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(4);

    auto makePanel = [&](const char *name) {
        auto *f = new QFrame(this);
        f->setObjectName(QLatin1String(name));
        StyleSheets::setLook(f, panelSheet);
        return f;
    };
    auto makeSlider = [&](QWidget *parent, const char *name) {
        auto *s = new TickSlider(parent);
        s->setObjectName(QLatin1String(name));
        s->setMaximum(4);
        s->setSingleStep(1);
        s->setPageStep(1);
        s->setTracking(false);
        s->setTickPosition(QSlider::TicksBelow);
        s->setTickInterval(1);
        s->setFixedHeight(60);
        StyleSheets::setLook(s, StyleSheets::SliderLook);
        return s;
    };
    auto makeHelp = [&](QWidget *parent, const char *name) {
        auto *b = new QToolButton(parent);
        b->setObjectName(QLatin1String(name));
        b->setFixedSize(24, 24);
        b->setIcon(Pictures::icon(QStringLiteral(":/images/help.png")));
        return b;
    };

    // Brightness panel, with the page title.
    frame = makePanel("frame");
    frame->setFixedHeight(200);
    auto *bColumn = new QVBoxLayout(frame);
    bColumn->setContentsMargins(40, 24, 40, 16);
    bColumn->setSpacing(24);
    lightTxt = FormSupport::label(frame, "lightTxt", StyleSheets::TitleLabelLook);
    lightTxt->setText(languageText(70));
    bColumn->addWidget(lightTxt);
    auto *bCaption = new QHBoxLayout;
    brightnessTxt = FormSupport::label(frame, "brightnessTxt", plain);
    brightnessTxt->setText(languageText(71));
    toolButton = makeHelp(frame, "toolButton");
    bCaption->addWidget(brightnessTxt);
    bCaption->addWidget(toolButton);
    bCaption->addStretch(1);
    bColumn->addLayout(bCaption);
    bSlider = makeSlider(frame, "bSlider");
    bSlider->setAccessibleName(languageText(71));
    // Read in the page's units: brightness in percent, speed by its name.
    bSlider->setProperty("accessibleScale", 25);
    brightnessTxt->setBuddy(bSlider);
    bColumn->addWidget(bSlider);
    bColumn->addStretch(1);
    page->addWidget(frame);

    // Speed panel.
    frame_2 = makePanel("frame_2");
    frame_2->setFixedHeight(160);
    auto *sColumn = new QVBoxLayout(frame_2);
    sColumn->setContentsMargins(40, 24, 40, 16);
    sColumn->setSpacing(24);
    auto *sCaption = new QHBoxLayout;
    speedTxt = FormSupport::label(frame_2, "speedTxt", plain);
    speedTxt->setText(languageText(72));
    toolButton_2 = makeHelp(frame_2, "toolButton_2");
    sCaption->addWidget(speedTxt);
    sCaption->addWidget(toolButton_2);
    sCaption->addStretch(1);
    sColumn->addLayout(sCaption);
    sSlider = makeSlider(frame_2, "sSlider");
    sSlider->setAccessibleName(languageText(72));
    sSlider->setProperty("accessibleShowsStep", true);
    // No buddy: a screen reader reads a label before the name, and the name says the speed.
    sColumn->addWidget(sSlider);
    sColumn->addStretch(1);
    page->addWidget(frame_2);

    // Effects and colours.
    auto *bottom = new QHBoxLayout;
    bottom->setSpacing(4);
    frame_3 = makePanel("frame_3");
    frame_4 = makePanel("frame_4");
    for (QFrame *f : {frame_3, frame_4}) {
        f->setMinimumSize(300, 320);
        bottom->addWidget(f, 1);
    }
    page->addLayout(bottom, 1);

    auto *effects = new QGridLayout(frame_3);
    effects->setContentsMargins(40, 24, 40, 24);
    effects->setSpacing(24);
    for (int i = 0; i < effectCount; ++i) {
        auto *b = new QToolButton(frame_3);
        b->setObjectName(QStringLiteral("effectBtn%1").arg(i));
        b->setFixedSize(100, 100);
        b->setCheckable(true);
        b->setAutoExclusive(true);
        b->setFocusPolicy(Qt::TabFocus);
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setIconSize(QSize(64, 64));
        b->setIcon(Pictures::icon(effectImage(i, false)));
        b->setText(languageText(73 + i));
        StyleSheets::setLook(b, i < 3 ? StyleSheets::EffectButton1Look : StyleSheets::EffectButton2Look);
        effects->addWidget(b, i / 3, i % 3, Qt::AlignCenter);
        effectBtns.append(b);
    }
    AccessibleFactory::tabToChecked({effectBtns.begin(), effectBtns.end()});

    auto *colours = new QVBoxLayout(frame_4);
    colours->setContentsMargins(40, 24, 40, 24);
    colours->setSpacing(24);
    colorTxt = FormSupport::label(frame_4, "colorTxt", plain);
    colorTxt->setText(languageText(79));
    colours->addWidget(colorTxt);
    auto *slotRow = new QHBoxLayout;
    slotRow->setSpacing(12);
    for (int k = 0; k < slotCount; ++k) {
        auto *c = new ColorComboBox(frame_4);
        c->setObjectName(QStringLiteral("lightColor%1").arg(k + 1));
        c->setAccessibleName(languageText(79) + QLatin1Char(' ') + QString::number(k + 1));
        slotRow->addWidget(c);
        lightColors.append(c);
    }
    slotRow->addStretch(1);
    colours->addLayout(slotRow);

    auto *rgbRow = new QHBoxLayout;
    rgbRow->setSpacing(8);
    rgbLineEdit = new QLineEdit(frame_4);
    rgbLineEdit->setObjectName(QStringLiteral("rgbLineEdit"));
    rgbLineEdit->setFixedWidth(90);
    rgbLineEdit->setAccessibleName(languageText(79));
    rgbRow->addWidget(rgbLineEdit);
    rgbRow->addSpacing(16);
    const char *channelNames[3] = {"label_6", "label_7", "label_8"};
    const char *editNames[3] = {"rLineEdit", "gLineEdit", "bLineEdit"};
    const char *channels[3] = {"R", "G", "B"};
    QLabel **labels[3] = {&label_6, &label_7, &label_8};
    QLineEdit **edits[3] = {&rLineEdit, &gLineEdit, &bLineEdit};
    for (int i = 0; i < 3; ++i) {
        *labels[i] = FormSupport::label(frame_4, channelNames[i], plain);
        (*labels[i])->setText(QLatin1String(channels[i]));
        *edits[i] = new QLineEdit(frame_4);
        (*edits[i])->setObjectName(QLatin1String(editNames[i]));
        (*edits[i])->setFixedWidth(56);
        (*edits[i])->setAccessibleName(QLatin1String(channels[i]));
        (*labels[i])->setBuddy(*edits[i]);
        rgbRow->addWidget(*labels[i]);
        rgbRow->addWidget(*edits[i]);
    }
    for (QLineEdit *e : {rgbLineEdit, rLineEdit, gLineEdit, bLineEdit})
        StyleSheets::setLook(e, StyleSheets::LineEditLook);
    rgbRow->addStretch(1);
    colours->addLayout(rgbRow);

    colorBar = new ColorBar(frame_4);
    colorBar->setObjectName(QStringLiteral("colorBar"));
    colorBar->setAccessibleName(languageText(79));
    colours->addWidget(colorBar);
    colours->addStretch(1);
}

QString LightWindow::hexColor(uchar r, uchar g, uchar b)
{
    return QStringLiteral("#%1%2%3")
        .arg(r, 2, 16, QLatin1Char('0'))
        .arg(g, 2, 16, QLatin1Char('0'))
        .arg(b, 2, 16, QLatin1Char('0'));
}

int LightWindow::checkedEffect() const
{
    for (int i = 0; i < effectBtns.size(); ++i) {
        if (effectBtns[i]->isChecked())
            return i;
    }
    return 0;
}

void LightWindow::showProfile()
{
    // Style sheets are costly to apply again: only what changed is touched.
    const MouseData *md = MouseData::instance();
    const QVariantList &light = md->lightValue;
    if (light.size() == 4) {
        setSliderQuietly(bSlider, light.at(1).toString().trimmed().toInt());
        setSliderQuietly(sSlider, light.at(2).toString().trimmed().toInt());
        currentSlot = int(light.at(3).toString().trimmed().toUInt());
    }
    for (int k = 0; k < slotCount; ++k) {
        if (lightColors[k]->selected != (k == currentSlot))
            lightColors[k]->setSelected(k == currentSlot);
    }
    bool ok = true;
    const int effect = light.isEmpty() ? 0 : light.at(0).toString().trimmed().toInt(&ok);
    QList<bool> wasOn;
    for (const QToolButton *b : std::as_const(effectBtns))
        wasOn.append(b->isChecked());
    for (int i = 0; i < effectBtns.size(); ++i) {
        const bool on = ok && i == effect;
        if (effectBtns[i]->isChecked() != on)
            effectBtns[i]->setChecked(on);
    }
    // Checking one button unchecks the other by itself, which would leave its icon lit.
    for (int i = 0; i < effectBtns.size(); ++i) {
        if (effectBtns[i]->isChecked() != wasOn.at(i))
            setEffectIcon(i, effectBtns[i]->isChecked());
    }
    const QVariantList &colors = md->colorValue;
    if (colors.size() != 24)
        return;
    for (int k = 0; k < slotCount; ++k) {
        const QString color = hexColor(SettingsIo::byteOf(colors.at(3 * k)), SettingsIo::byteOf(colors.at(3 * k + 1)),
                                       SettingsIo::byteOf(colors.at(3 * k + 2)));
        if (lightColors[k]->color != color)
            lightColors[k]->setColor(color);
    }
    if (currentSlot < 0 || currentSlot >= slotCount)
        return;
    const QString color = lightColors[currentSlot]->color;
    rgbLineEdit->setText(color);
    rLineEdit->setText(QString::number(hexByte(color, 1)));
    gLineEdit->setText(QString::number(hexByte(color, 3)));
    bLineEdit->setText(QString::number(hexByte(color, 5)));
}

void LightWindow::setSliderQuietly(TickSlider *slider, int value)
{
    // Only a real change notifies; counting one for an unchanged value would swallow the
    // user's next change instead.
    if (qBound(slider->minimum(), value, slider->maximum()) != slider->value())
        ++suppressSends;
    slider->setValue(value);
    if (slider == bSlider)
        showBrightnessLabel(slider->value());
    else
        showSpeedLabel(slider->value());
}

void LightWindow::showBrightnessLabel(int value)
{
    static const char *const texts[] = {"0", "25", "50", "75", "100"};
    bSlider->setLabelText(value >= 0 && value <= 4 ? QLatin1String(texts[value]) : QString());
    bSlider->placeLabel(value);
}

void LightWindow::showSpeedLabel(int value)
{
    sSlider->setLabelText(languageText(103 + value));
    sSlider->placeLabel(value);
}

void LightWindow::brightnessSetting(int value)
{
    showBrightnessLabel(value);
    if (suppressSends == 0)
        sendLight();
    else
        --suppressSends;
}

void LightWindow::speedSetting(int value)
{
    showSpeedLabel(value);
    if (suppressSends == 0)
        sendLight();
    else
        --suppressSends;
}

void LightWindow::sendLight()
{
    const QVariantList values{checkedEffect(), bSlider->value(), sSlider->value(), currentSlot};
    MouseData::instance()->lightValue = values;
    if (Ic *ic = chip())
        ic->setLighting(SettingsIo::joinNumbers(values));
}

void LightWindow::applyColor(const QString &color)
{
    const uchar r = hexByte(color, 1);
    const uchar g = hexByte(color, 3);
    const uchar b = hexByte(color, 5);
    rgbLineEdit->setText(color);
    rLineEdit->setText(QString::number(r));
    gLineEdit->setText(QString::number(g));
    bLineEdit->setText(QString::number(b));
    for (QLineEdit *e : {rgbLineEdit, rLineEdit, gLineEdit, bLineEdit})
        FormSupport::markRefused(e, QString());
    if (currentSlot >= 0 && currentSlot < slotCount)
        lightColors[currentSlot]->setColor(color);

    QVariantList values;
    for (const ColorComboBox *c : std::as_const(lightColors)) {
        values << uint(hexByte(c->color, 1)) << uint(hexByte(c->color, 3)) << uint(hexByte(c->color, 5));
    }
    for (int i = 0; i < 6; ++i)
        values << 255u;
    MouseData::instance()->colorValue = values;
    if (Ic *ic = chip())
        ic->setColors(SettingsIo::joinNumbers(values));
    sendLight();
}

void LightWindow::selectLight()
{
    auto *slot = qobject_cast<ColorComboBox *>(sender());
    for (ColorComboBox *c : std::as_const(lightColors))
        c->setSelected(false);
    if (!slot)
        return;
    slot->setSelected(true);
    currentSlot = int(lightColors.indexOf(slot));
    applyColor(slot->color);
}

void LightWindow::rgbReturnPressed()
{
    // The focus stays in the field: the colour is said there.
    if (auto *edit = qobject_cast<QLineEdit *>(sender()); edit && commitChannels())
        announceColour(edit);
}

bool LightWindow::commitChannels()
{
    int values[3];
    bool allGood = true;
    const QLineEdit *edits[3] = {rLineEdit, gLineEdit, bLineEdit};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        values[i] = edits[i]->text().trimmed().toInt(&ok);
        const bool good = ok && values[i] >= 0 && values[i] <= 255;
        FormSupport::markRefused(const_cast<QLineEdit *>(edits[i]), good ? QString() : languageText(130));
        allGood = allGood && good;
    }
    // A refused value is neither applied nor silently replaced: the field keeps it, marked.
    if (!allGood)
        return false;
    applyColor(hexColor(uchar(values[0]), uchar(values[1]), uchar(values[2])));
    return true;
}

void LightWindow::hexReturnPressed()
{
    if (commitHex())
        announceColour(rgbLineEdit);
}

void LightWindow::announceColour(QWidget *where)
{
    const QColor colour(rgbLineEdit->text());
    if (colour.isValid())
        Announcer::say(where, AccessibleFactory::spokenColour(colour));
}

bool LightWindow::commitHex()
{
    QString t = rgbLineEdit->text().trimmed();
    if (!t.startsWith(QLatin1Char('#')))
        t.prepend(QLatin1Char('#'));
    const bool good = QRegularExpression(QStringLiteral("^#[0-9A-Fa-f]{6}$")).match(t).hasMatch();
    FormSupport::markRefused(rgbLineEdit, good ? QString() : languageText(131));
    if (!good)
        return false;
    applyColor(t.toLower());
    return true;
}

void LightWindow::selectCurrentColor(uchar r, uchar g, uchar b, uchar)
{
    applyColor(hexColor(r, g, b));
}

void LightWindow::setEffectIcon(int effect, bool highlighted)
{
    effectBtns[effect]->setIcon(Pictures::icon(effectImage(effect, highlighted)));
}

void LightWindow::selectEffect()
{
    auto *button = qobject_cast<QToolButton *>(sender());
    for (int i = 0; i < effectBtns.size(); ++i)
        setEffectIcon(i, effectBtns[i] == button);
    sendLight();
}

bool LightWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        auto *edit = qobject_cast<QLineEdit *>(watched);
        if (edit && edit->isModified()) {
            edit->setModified(false);
            if (edit == rgbLineEdit)
                commitHex();
            else if (edit == rLineEdit || edit == gLineEdit || edit == bLineEdit)
                commitChannels();
        }
    }
    const int effect = int(effectBtns.indexOf(qobject_cast<QToolButton *>(watched)));
    if (effect >= 0) {
        if (event->type() == QEvent::Enter)
            setEffectIcon(effect, true);
        else if (event->type() == QEvent::Leave)
            setEffectIcon(effect, effectBtns[effect]->isChecked());
    }
    return QFrame::eventFilter(watched, event);
}
