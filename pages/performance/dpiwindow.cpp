#include "pages/performance/dpiwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QLoggingCategory>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "device/controller.h"
#include "device/ic.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "pages/accessibility/accessiblefactory.h"
#include "pages/performance/dpibtn.h"
#include "pages/performance/formsupport.h"
#include "platform/mousesettings.h"
#include "resources/lookcombobox.h"
#include "resources/stylesheets.h"
#include "resources/pictures.h"

// Off unless asked for (QT_LOGGING_RULES="mousecfg.pages.debug=true").
Q_LOGGING_CATEGORY(lcDpiPage, "mousecfg.pages", QtWarningMsg)

namespace {

constexpr int cardCount = DPIWindow::CardCount;

Ic *chip()
{
    return Controller::instance()->currentIc();
}

QString languageText(int n)
{
    return MouseData::instance()->languageText(n);
}

QCheckBox *makeCheckBox(QWidget *parent, const char *name, bool autoExclusive)
{
    auto *b = new QCheckBox(parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoExclusive(autoExclusive);
    StyleSheets::setLook(b, StyleSheets::CheckBoxLook);
    return b;
}

int levelMask(int n)
{
    return n >= 1 && n <= 5 ? (1 << n) - 1 : 0;
}

QColor levelColour(int card, uchar deviceType)
{
    switch (card) {
    case 0: return QColor(255, 0, 0);
    case 1: return QColor(0, 0, 255);
    case 2: return QColor(0, 255, 0);
    case 3: return deviceType == 5 || deviceType == 6 ? QColor(255, 255, 0) : QColor(0, 255, 255);
    default: return QColor(255, 0, 255);
    }
}

} // namespace

DPIWindow::DPIWindow(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("DPIWindow"));
    buildForm();
    MouseData *md = MouseData::instance();

    if (md->screenClass != 0) {
        for (DpiBtn *card : cards)
            card->setLargeScreen(true);
        setMinimumHeight(900);
    }

    (md->isDefaultDPI != 0 ? defaultDPIBtn : usrDPIBtn)->setChecked(true);
    const bool xy = md->isXY != 0;
    xyBtn->setChecked(xy);
    ySlider->setVisible(xy);
    xSliderTxt->setVisible(xy);
    ySliderTxt->setVisible(xy);
    for (DpiBtn *card : cards)
        card->setXYMode(xy);
    nameSliders();

    xSlider->installEventFilter(this);
    ySlider->installEventFilter(this);

    connect(md, &MouseData::dpiKeyPressed, this, &DPIWindow::selectChangedProc_Null);
    connect(md, &MouseData::deviceChange, this, &DPIWindow::deviceChangedProc);
}

void DPIWindow::buildForm()
{
    resize(1108, 696);
    setMinimumSize(1108, 600);
    setMaximumSize(5000, 5000);
    StyleSheets::setLook(this, StyleSheets::DpiPageLook);

    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(4);

    const auto panelSheet = StyleSheets::PagePanelLook;
    const auto title = StyleSheets::TitleLabelLook;
    const auto plain = StyleSheets::PlainLabelLook;

    // DPI panel.
    frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("frame"));
    frame->setMinimumSize(1108, 500);
    StyleSheets::setLook(frame, panelSheet);
    auto *column = new QVBoxLayout(frame);
    column->setContentsMargins(40, 24, 40, 24);
    column->setSpacing(54);

    dpiTxt = FormSupport::label(frame, "dpiTxt", title);
    dpiTxt->setFixedHeight(30);
    dpiTxt->setText(languageText(61));
    column->addWidget(dpiTxt);

    auto *setRow = new QHBoxLayout;
    setRow->setSpacing(24);
    defaultDPIBtn = makeCheckBox(frame, "defaultDPIBtn", true);
    defaultDPIBtn->setText(languageText(62));
    usrDPIBtn = makeCheckBox(frame, "usrDPIBtn", true);
    usrDPIBtn->setText(languageText(63));
    levelTxt = FormSupport::label(frame, "levelTxt", plain);
    levelTxt->setText(languageText(64));
    dpiComboBox = new LookComboBox(frame);
    dpiComboBox->setObjectName(QStringLiteral("dpiComboBox"));
    dpiComboBox->setFixedSize(54, 24);
    dpiComboBox->setAccessibleName(languageText(64));
    for (int i = 1; i <= 5; ++i)
        dpiComboBox->addItem(QString::number(i));
    StyleSheets::setComboLook(dpiComboBox, StyleSheets::Combo24Look);
    levelTxt->setBuddy(dpiComboBox);
    setRow->addWidget(defaultDPIBtn);
    setRow->addWidget(usrDPIBtn);
    setRow->addSpacing(40);
    setRow->addWidget(levelTxt);
    setRow->addWidget(dpiComboBox);
    setRow->addStretch(1);
    column->addLayout(setRow);
    defaultDPIBtn->setChecked(true);

    auto *cardRow = new QHBoxLayout;
    cardRow->addSpacing(80);
    for (int i = 0; i < cardCount; ++i) {
        auto *card = new DpiBtn(frame);
        card->setObjectName(QStringLiteral("dpi%1").arg(i));
        card->index = i;
        card->setTitle(languageText(65) + QLatin1Char(' ') + QString::number(i + 1));
        cardRow->addWidget(card, 1);
        cards.append(card);
    }
    cardRow->addSpacing(80);
    column->addLayout(cardRow);

    auto makeSliderRow = [&](QLabel *&caption, QSlider *&slider, const char *captionName,
                             const char *sliderName, const QString &captionText) {
        auto *row = new QHBoxLayout;
        row->setSpacing(16);
        caption = FormSupport::label(frame, captionName, plain);
        caption->setText(captionText);
        caption->setFixedWidth(16);
        slider = new QSlider(Qt::Horizontal, frame);
        slider->setObjectName(QLatin1String(sliderName));
        slider->setMaximumHeight(24);
        StyleSheets::setLook(slider, StyleSheets::SliderLook);
        slider->setFocusPolicy(Qt::StrongFocus);
        // No buddy: a screen reader prefers a label to the name, and the caption is hidden
        // unless the axes are split; the slider names its level itself.
        row->addWidget(caption);
        row->addWidget(slider, 1);
        column->addLayout(row);
    };
    makeSliderRow(xSliderTxt, xSlider, "xSliderTxt", "xSlider", QStringLiteral("X"));
    makeSliderRow(ySliderTxt, ySlider, "ySliderTxt", "ySlider", QStringLiteral("Y"));

    AccessibleFactory::tabToChecked({defaultDPIBtn, usrDPIBtn});
    xyBtn = makeCheckBox(frame, "xyBtn", false);
    xyBtn->setMaximumSize(100, 20);
    xyBtn->setText(languageText(66));
    column->addWidget(xyBtn);
    column->addStretch(1);
    page->addWidget(frame, 1);

    // Report rate and mouse properties.
    auto *bottom = new QHBoxLayout;
    bottom->setSpacing(4);
    frame_3 = new QFrame(this);
    frame_3->setObjectName(QStringLiteral("frame_3"));
    frame_2 = new QFrame(this);
    frame_2->setObjectName(QStringLiteral("frame_2"));
    for (QFrame *f : {frame_3, frame_2}) {
        f->setMinimumWidth(550);
        f->setFixedHeight(180);
        StyleSheets::setLook(f, panelSheet);
        bottom->addWidget(f, 1);
    }
    page->addLayout(bottom);

    auto *rateColumn = new QVBoxLayout(frame_3);
    rateColumn->setContentsMargins(40, 24, 40, 24);
    rateColumn->setSpacing(40);
    pollingTxt = FormSupport::label(frame_3, "pollingTxt", title);
    pollingTxt->setText(languageText(67));
    rateColumn->addWidget(pollingTxt);
    auto *rateRow = new QHBoxLayout;
    rateRow->setSpacing(32);
    rate1000Btn = makeCheckBox(frame_3, "rate1000Btn", true);
    rate500Btn = makeCheckBox(frame_3, "rate500Btn", true);
    rate250Btn = makeCheckBox(frame_3, "rate250Btn", true);
    rate125Btn = makeCheckBox(frame_3, "rate125Btn", true);
    const QList<QCheckBox *> rates{rate1000Btn, rate500Btn, rate250Btn, rate125Btn};
    const char *rateTexts[] = {"1000", "500", "250", "125"};
    for (int i = 0; i < rates.size(); ++i) {
        rates[i]->setText(QLatin1String(rateTexts[i]));
        rates[i]->setAccessibleName(languageText(67) + QLatin1Char(' ') + QLatin1String(rateTexts[i]));
        rateRow->addWidget(rates[i]);
    }
    AccessibleFactory::tabToChecked({rates.begin(), rates.end()});
    rateRow->addStretch(1);
    rateColumn->addLayout(rateRow);
    rateColumn->addStretch(1);
    rate125Btn->setChecked(true);

    auto *propertyColumn = new QVBoxLayout(frame_2);
    propertyColumn->setContentsMargins(40, 24, 40, 24);
    propertyColumn->setSpacing(32);
    propertyTxt = FormSupport::label(frame_2, "propertyTxt", title);
    propertyTxt->setText(languageText(68));
    propertyColumn->addWidget(propertyTxt);
    systemBtn = new QPushButton(frame_2);
    systemBtn->setObjectName(QStringLiteral("systemBtn"));
    systemBtn->setFlat(true);
    systemBtn->setIcon(Pictures::icon(QStringLiteral(":/images/windowsIcon.png")));
    systemBtn->setIconSize(QSize(48, 32));
    systemBtn->setText(languageText(69));
    StyleSheets::setLook(systemBtn, StyleSheets::FlatTextButtonLook);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addWidget(systemBtn);
    buttonRow->addStretch(1);
    propertyColumn->addLayout(buttonRow);
    propertyColumn->addStretch(1);

    // Reading order for Tab: set choice, level count, cards (each with its fields), sliders.
    QWidget *previous = usrDPIBtn;
    setTabOrder(defaultDPIBtn, usrDPIBtn);
    auto chain = [&previous](QWidget *next) {
        setTabOrder(previous, next);
        previous = next;
    };
    chain(dpiComboBox);
    for (DpiBtn *card : cards) {
        chain(card);
        chain(card->m_x);
        chain(card->m_y);
    }
    for (QWidget *w : std::initializer_list<QWidget *>{xSlider, ySlider, xyBtn, rate1000Btn, rate500Btn,
                                                       rate250Btn, rate125Btn, systemBtn})
        chain(w);
}

void DPIWindow::setConnections(bool on)
{
    if (!on) {
        for (const QMetaObject::Connection &c : std::as_const(m_connections))
            disconnect(c);
        m_connections.clear();
        m_connected = false;
        return;
    }
    if (m_connected)
        return;
    m_connected = true;
    m_connections << connect(systemBtn, &QPushButton::clicked, this, &DPIWindow::systemSetting);
    for (QCheckBox *b : {rate1000Btn, rate500Btn, rate250Btn, rate125Btn})
        m_connections << connect(b, &QCheckBox::clicked, this, &DPIWindow::pollingRateProc);
    for (QCheckBox *b : {defaultDPIBtn, usrDPIBtn})
        m_connections << connect(b, &QCheckBox::clicked, this, &DPIWindow::defaultOrUsrProc);
    m_connections << connect(xyBtn, &QCheckBox::clicked, this, &DPIWindow::xyProc);
    m_connections << connect(dpiComboBox, &QComboBox::currentIndexChanged, this,
                             &DPIWindow::currentDpiCountProc);
    for (DpiBtn *card : std::as_const(cards)) {
        m_connections << connect(card, &DpiBtn::dpiChanged, this, &DPIWindow::dpiChangedProc);
        m_connections << connect(card, &DpiBtn::selectChanged, this, &DPIWindow::selectChangedProc);
    }
    for (QSlider *s : {xSlider, ySlider})
        m_connections << connect(s, &QSlider::valueChanged, this, &DPIWindow::sliderValueChanged);
}

void DPIWindow::deviceChangedProc(uchar deviceType)
{
    qCDebug(lcDpiPage).noquote() << QStringLiteral("DPI Init") + QString::number(deviceType);
    setConnections(false);
    MouseData *md = MouseData::instance();

    switch (md->reportRate) {
    case 1: rate1000Btn->setChecked(true); break;
    case 2: rate500Btn->setChecked(true); break;
    case 4: rate250Btn->setChecked(true); break;
    case 8: rate125Btn->setChecked(true); break;
    default: break;
    }

    dpiComboBox->clear();
    for (int i = 1; i <= 5; ++i)
        dpiComboBox->addItem(QString::number(i));

    for (int i = 0; i < cards.size(); ++i) {
        cards[i]->color = levelColour(i, md->deviceType);
        cards[i]->update();
    }

    for (QSlider *s : {xSlider, ySlider}) {
        s->setMaximum(md->maxDpi);
        s->setMinimum(md->minDpi);
        s->setSingleStep(md->stepDpi);
        s->setPageStep(1000);
    }

    loadDpiValues(md->isDefaultDPI == 0);
    cards[5]->hide();
    setConnections(true);
}

void DPIWindow::showProfile()
{
    setConnections(false);
    const MouseData *md = MouseData::instance();
    (md->isDefaultDPI != 0 ? defaultDPIBtn : usrDPIBtn)->setChecked(true);
    const bool xy = md->isXY != 0;
    xyBtn->setChecked(xy);
    ySlider->setVisible(xy);
    xSliderTxt->setVisible(xy);
    ySliderTxt->setVisible(xy);
    for (DpiBtn *card : std::as_const(cards))
        card->setXYMode(xy);
    deviceChangedProc(md->deviceType);
    // The model keeps the level within the new profile's levels; the page marks it.
    selectLevel(md->currentDpiLevel);
}

void DPIWindow::loadDpiValues(bool fromProfile)
{
    const MouseData *md = MouseData::instance();
    const MouseDefaultData *dd = MouseDefaultData::instance();
    const int count = fromProfile ? md->currentDpiCount : dd->currentDpiCount;
    const QVariantList &xs = fromProfile ? md->xDpiList : dd->xDpiList;
    const QVariantList &ys = fromProfile ? md->yDpiList : dd->yDpiList;

    dpiComboBox->setCurrentIndex(count - 1);
    if (xs.size() == 8) {
        for (int i = 0; i < cardCount; ++i)
            cards[i]->setXDpi(DpiBtn::sendable(xs.at(i).toString().trimmed().toInt()));
    }
    if (ys.size() == 8) {
        for (int i = 0; i < cardCount; ++i)
            cards[i]->setYDpi(DpiBtn::sendable(ys.at(i).toString().trimmed().toInt()));
    }
    m_heldSlider = nullptr;
    xSlider->setValue(cards[currentLevel]->xDpi());
    ySlider->setValue(cards[currentLevel]->yDpi());
    showCards(dpiComboBox->currentIndex());
}

void DPIWindow::showCards(int comboIndex)
{
    cards[0]->show();
    for (int i = 1; i < cardCount; ++i)
        cards[i]->setVisible(comboIndex >= i);
}

QString DPIWindow::dpiText() const
{
    const MouseData *md = MouseData::instance();
    QStringList parts;
    for (const DpiBtn *card : cards)
        parts << QString::number(card->xDpi());
    parts << QStringLiteral("0") << QStringLiteral("0");
    const bool xy = xyBtn->isChecked();
    for (const DpiBtn *card : cards)
        parts << QString::number(xy ? card->yDpi() : card->xDpi());
    parts << QStringLiteral("0") << QStringLiteral("0");
    parts << QString::number(md->currentDpiLevel);
    parts << QString::number(levelMask(md->isDefaultDPI != 0 ? 5 : md->currentDpiCount));
    return parts.join(QLatin1Char('_'));
}

void DPIWindow::sendDpi()
{
    if (Ic *ic = chip())
        ic->setDpi(dpiText());
    MouseData::instance()->sendLighting();
}

void DPIWindow::storeValues()
{
    MouseData *md = MouseData::instance();
    // Without separate axes the mouse gets X for Y too; the file says the same.
    const bool xy = xyBtn->isChecked();
    for (int i = 0; i < cardCount; ++i) {
        md->setDpi(0, i, uint(qMax(0, cards[i]->xDpi())));
        md->setDpi(1, i, uint(qMax(0, xy ? cards[i]->yDpi() : cards[i]->xDpi())));
    }
}

void DPIWindow::commitEdit()
{
    // The slider rests where the card's value is, so both show what is sent.
    const DpiBtn *card = cards[currentLevel];
    for (QSlider *s : {xSlider, ySlider}) {
        const int value = s == xSlider ? card->xDpi() : card->yDpi();
        if (s->value() != value) {
            const QSignalBlocker quiet(s);
            s->setValue(value);
        }
    }
    storeValues();
    sendDpi();
    usrDPIBtn->setChecked(true);
    MouseData::instance()->isDefaultDPI = 0;
}

void DPIWindow::currentDpiCountProc(int index)
{
    MouseData *md = MouseData::instance();
    md->currentDpiCount = uchar(index + 1);
    showCards(index);
    // The screen now shows the user's set with this count: the mouse gets the same, with the
    // values shown (the factory ones when they were in use) and an active level in use.
    usrDPIBtn->setChecked(true);
    md->isDefaultDPI = 0;
    storeValues();
    keepActiveLevelInUse();
    sendDpi();
}

void DPIWindow::keepActiveLevelInUse()
{
    const MouseData *md = MouseData::instance();
    const int inUse = md->isDefaultDPI != 0 ? 5 : md->currentDpiCount;
    if (inUse >= 1 && currentLevel >= inUse)
        selectLevel(inUse - 1);
}

void DPIWindow::selectLevel(int level)
{
    for (DpiBtn *card : std::as_const(cards))
        card->setSelected(false);
    if (level >= 0 && level < cardCount) {
        currentLevel = level;
        m_heldSlider = nullptr;
        xSlider->setValue(cards[level]->xDpi());
        ySlider->setValue(cards[level]->yDpi());
        cards[level]->setSelected(true);
    }
    MouseData::instance()->currentDpiLevel = uchar(currentLevel);
    nameSliders();
}

void DPIWindow::nameSliders()
{
    const QString level = languageText(65) + QLatin1Char(' ') + QString::number(currentLevel + 1);
    const bool xy = xyBtn && xyBtn->isChecked();
    xSlider->setAccessibleName(xy ? level + QLatin1String(" X") : level);
    ySlider->setAccessibleName(level + QLatin1String(" Y"));
}

void DPIWindow::setSliderValue(QSlider *slider, int value)
{
    if (!m_connected || (slider != xSlider && slider != ySlider))
        return;
    QSlider *previous = m_heldSlider;
    m_heldSlider = slider;
    slider->setValue(value);
    m_heldSlider = previous;
    commitEdit();
}

void DPIWindow::selectChangedProc(int level)
{
    selectLevel(level);
    sendDpi();
}

void DPIWindow::selectChangedProc_Null(int level)
{
    selectLevel(level);
}

void DPIWindow::dpiChangedProc(int)
{
    storeValues();
    const DpiBtn *card = cards[currentLevel];
    m_heldSlider = nullptr;
    if (xSlider->value() != card->xDpi())
        xSlider->setValue(card->xDpi());
    if (ySlider->value() != card->yDpi())
        ySlider->setValue(card->yDpi());
    sendDpi();
    usrDPIBtn->setChecked(true);
    MouseData::instance()->isDefaultDPI = 0;
}

void DPIWindow::sliderValueChanged(int)
{
    QSlider *slider = qobject_cast<QSlider *>(sender());
    if (!slider || slider != m_heldSlider)
        return;
    DpiBtn *card = cards[currentLevel];
    if (slider == ySlider)
        card->setYDpi(DpiBtn::sendable(ySlider->value()));
    else
        card->setXDpi(DpiBtn::sendable(xSlider->value()));
}

bool DPIWindow::eventFilter(QObject *watched, QEvent *event)
{
    auto *slider = qobject_cast<QSlider *>(watched);
    if (!slider || (slider != xSlider && slider != ySlider))
        return QFrame::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // The second press of a double click moves the slider too.
        m_heldSlider = slider;
        break;
    case QEvent::MouseButtonRelease:
        if (m_heldSlider == slider) {
            m_heldSlider = nullptr;
            if (m_connected)
                commitEdit();
        }
        break;
    case QEvent::KeyPress: {
        // Arrow, page and Home/End keys edit the active level like a drag does; the value is
        // committed once the key is let go, so holding a key does not flood the mouse.
        if (!m_connected)
            break;
        const int before = slider->value();
        QSlider *previous = m_heldSlider;
        m_heldSlider = slider;
        static_cast<QObject *>(slider)->event(event);
        m_heldSlider = previous;
        if (slider->value() != before)
            m_keyChanged = true;
        return true;
    }
    case QEvent::KeyRelease:
        if (m_keyChanged && !static_cast<QKeyEvent *>(event)->isAutoRepeat()) {
            m_keyChanged = false;
            commitEdit();
        }
        break;
    case QEvent::FocusOut:
        if (m_keyChanged) {
            m_keyChanged = false;
            commitEdit();
        }
        break;
    case QEvent::Wheel:
        // A wheel turn over the page must not silently move a slider away from its card.
        event->ignore();
        return true;
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}

void DPIWindow::xyProc()
{
    const bool on = xyBtn->isChecked();
    MouseData::instance()->isXY = on ? 1 : 0;
    // Either way the mouse keeps what it has: split axes start from Y equal to X.
    for (DpiBtn *card : std::as_const(cards)) {
        card->setYDpi(card->xDpi());
        card->setXYMode(on);
    }
    m_heldSlider = nullptr;
    ySlider->setValue(cards[currentLevel]->yDpi());
    storeValues();
    ySlider->setVisible(on);
    xSliderTxt->setVisible(on);
    ySliderTxt->setVisible(on);
    nameSliders();
    sendDpi();
}

void DPIWindow::defaultOrUsrProc()
{
    const bool factory = sender() == defaultDPIBtn;
    MouseData::instance()->isDefaultDPI = factory ? 1 : 0;
    setConnections(false);
    loadDpiValues(!factory);
    setConnections(true);
    keepActiveLevelInUse();
    sendDpi();
}

void DPIWindow::pollingRateProc()
{
    QObject *s = sender();
    uchar code = 0;
    if (s == rate1000Btn)
        code = 1;
    else if (s == rate500Btn)
        code = 2;
    else if (s == rate250Btn)
        code = 4;
    else if (s == rate125Btn)
        code = 8;
    else
        return;
    MouseData *md = MouseData::instance();
    md->reportRate = code;
    if (Ic *ic = chip())
        ic->setReportRate(QString::number(code));
    md->sendLighting();
}

void DPIWindow::systemSetting()
{
    if (MouseSettings::open())
        return;
    auto *box = new QMessageBox(QMessageBox::Information, languageText(69), languageText(117), QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("noMouseSettingsMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
