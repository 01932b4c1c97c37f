#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

#include "device/controller.h"
#include "model/mousedata.h"
#include "pages/accessibility/accessiblefactory.h"
#include "pages/performance/colorbar.h"
#include "pages/performance/colorcombobox.h"
#include "pages/performance/colorcomboboxitem.h"
#include "pages/performance/formsupport.h"
#include "pages/performance/lightwindow.h"
#include "pages/performance/tickslider.h"
#include "pagetestsupport.h"
#include "sim/vmouse.h"

namespace {

QVariantList numbers(std::initializer_list<int> values)
{
    QVariantList out;
    for (int v : values)
        out << v;
    return out;
}

QVariantList allRed()
{
    QVariantList out;
    for (int k = 0; k < 6; ++k)
        out << 255 << 0 << 0;
    for (int k = 0; k < 6; ++k)
        out << 255;
    return out;
}

QList<int> toInts(const QVariantList &list)
{
    QList<int> out;
    for (const QVariant &v : list)
        out << v.toInt();
    return out;
}

// Command codes of the feature reports in the virtual mouse's trace, from line `from` on.
QList<int> featureCodes(int from)
{
    QByteArray buf(1 << 20, '\0');
    const size_t n = vmouse_trace(buf.data(), size_t(buf.size()));
    const QStringList lines = QString::fromLatin1(buf.left(int(qMin<size_t>(n, size_t(buf.size()))))).split('\n');
    QList<int> codes;
    for (int i = from; i < lines.size(); ++i) {
        const QStringList f = lines.at(i).split(' ', Qt::SkipEmptyParts);
        if (f.size() > 4 && f.at(1) == QLatin1String("feature"))
            codes << f.at(4).toInt(nullptr, 16);
    }
    return codes;
}

int traceLines()
{
    QByteArray buf(1 << 20, '\0');
    const size_t n = vmouse_trace(buf.data(), size_t(buf.size()));
    return int(buf.left(int(qMin<size_t>(n, size_t(buf.size())))).count('\n'));
}

} // namespace

class TestLight : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir;
    MouseData *md = nullptr;
    PageTestSupport rig;

    bool wireColours(const QList<int> &expected) const
    {
        const vmouse_state s = rig.state();
        for (int i = 0; i < expected.size(); ++i) {
            if (s.colors[i] != expected.at(i))
                return false;
        }
        return true;
    }
    // A page built from the given profile values, shown and active.
    std::unique_ptr<LightWindow> makePage(const QVariantList &light, const QVariantList &colors)
    {
        md->lightValue = light;
        md->colorValue = colors;
        auto page = std::make_unique<LightWindow>();
        page->show();
        if (!QTest::qWaitForWindowExposed(page.get()))
            return nullptr;
        page->activateWindow();
        if (!QTest::qWaitForWindowActive(page.get()))
            return nullptr;
        return page;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(rig.startProfile(dir.path()));
        md = MouseData::instance();
        // As the program does, before the first widget: the faces are fixed on first use.
        AccessibleFactory::install();

        QVERIFY(rig.attach(0));
    }
    void cleanupTestCase()
    {
        PageTestSupport::shutdown();
    }

    void constructionReadsTheProfile()
    {
        QVariantList colors = allRed();
        colors[3] = 0;
        colors[4] = 16;
        colors[5] = 255;
        auto page = makePage(numbers({3, 4, 1, 1}), colors);
        QVERIFY(page);
        QCOMPARE(page->bSlider->value(), 4);
        QCOMPARE(page->sSlider->value(), 1);
        QCOMPARE(page->bSlider->valueLabel->text(), QStringLiteral("100"));
        QCOMPARE(page->sSlider->valueLabel->text(), md->languageText(104));
        // Every speed name shows whole, inside the slider, at either end too.
        page->resize(page->minimumSize());
        page->show();
        for (int v = page->sSlider->minimum(); v <= page->sSlider->maximum(); ++v) {
            page->sSlider->setValue(v);
            const QLabel *label = page->sSlider->valueLabel;
            QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(label->text()),
                     qPrintable(label->text()));
            QVERIFY2(page->sSlider->rect().contains(label->geometry()), qPrintable(label->text()));
        }
        page->sSlider->setValue(1);
        QCOMPARE(page->currentSlot, 1);
        QVERIFY(page->lightColors.at(1)->selected);
        QVERIFY(!page->lightColors.at(0)->selected);
        QVERIFY(page->effectBtns.at(3)->isChecked());
        QCOMPARE(page->lightColors.at(1)->color, QStringLiteral("#0010ff"));
        QCOMPARE(page->rgbLineEdit->text(), QStringLiteral("#0010ff"));
        QCOMPARE(page->gLineEdit->text(), QStringLiteral("16"));
        QVERIFY(!page->rgbLineEdit->isReadOnly());
        QVERIFY(page->toolButton->isHidden());
        // The stored state went out once, as read.
        QTRY_VERIFY_WITH_TIMEOUT(wireColours({255, 0, 0, 0, 16, 255}) && rig.state().lightMode == 2
                                     && rig.state().lightSlot == 1 && rig.state().lightSpeed == 1 * 9 / 4 + 1,
                                 5000);
    }

    void storedStepsAtZeroSendNothingAndTheNextChangeIs()
    {
        rig.settle();
        QSignalSpy sent(Controller::instance(), &Controller::send);
        // Without a colour list nothing is applied at construction; the sliders must not send.
        auto page = makePage(numbers({1, 0, 0, 2}), QVariantList());
        QVERIFY(page);
        QCOMPARE(sent.count(), 0);
        QCOMPARE(page->bSlider->valueLabel->text(), QStringLiteral("0"));
        QCOMPARE(page->sSlider->valueLabel->text(), md->languageText(103));

        page->bSlider->setFocus();
        QTest::keyClick(page->bSlider, Qt::Key_Right);
        QCOMPARE(sent.count(), 1);
        QCOMPARE(toInts(md->lightValue), QList<int>({1, 1, 0, 2}));
        QTRY_VERIFY_WITH_TIMEOUT(rig.state().lightMode == 0 && rig.state().lightBrightness == 50 / 4
                                     && rig.state().lightSlot == 2,
                                 5000);

        // Non-zero stored steps: the two set-up changes are swallowed, the next one is not.
        auto other = makePage(numbers({1, 3, 2, 0}), QVariantList());
        QVERIFY(other);
        QCOMPARE(sent.count(), 1);
        QCOMPARE(other->bSlider->valueLabel->text(), QStringLiteral("75"));
        QCOMPARE(other->suppressSends, 0);
        other->sSlider->setValue(4);
        QCOMPARE(sent.count(), 2);
        QCOMPARE(other->sSlider->valueLabel->text(), md->languageText(107));
    }

    void missingEffectSendsEffectZero()
    {
        auto page = makePage(numbers({9, 2, 2, 0}), QVariantList());
        QVERIFY(page);
        for (QToolButton *b : page->effectBtns)
            QVERIFY(!b->isChecked());
        QCOMPARE(page->checkedEffect(), 0);
        page->bSlider->setValue(3);
        QCOMPARE(toInts(md->lightValue), QList<int>({0, 3, 2, 0}));
        QTRY_VERIFY_WITH_TIMEOUT(rig.state().lightMode == 0 && rig.state().lightBrightness == 0, 5000);

        // An empty profile entry reads as light off.
        auto empty = makePage(QVariantList(), QVariantList());
        QVERIFY(empty);
        QVERIFY(empty->effectBtns.at(0)->isChecked());
    }

    void effectButtonsSendTheirEffect()
    {
        auto page = makePage(numbers({1, 2, 2, 0}), allRed());
        QVERIFY(page);
        QTest::mouseClick(page->effectBtns.at(4), Qt::LeftButton);
        QVERIFY(page->effectBtns.at(4)->isChecked());
        QCOMPARE(md->lightValue.at(0).toInt(), 4);
        QTRY_VERIFY_WITH_TIMEOUT(rig.state().lightMode == 4 && rig.state().lightSpeed == 2 * 9 / 4 + 1, 5000);

        // From the keyboard: Space on a focused button.
        page->effectBtns.at(2)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(page->effectBtns.at(2), Qt::Key_Space);
        QVERIFY(page->effectBtns.at(2)->isChecked());
        QVERIFY(!page->effectBtns.at(4)->isChecked());
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.state().lightMode), 1, 5000);
    }

    void paletteColourInTheCurrentSlot()
    {
        auto page = makePage(numbers({1, 4, 2, 3}), allRed());
        QVERIFY(page);
        rig.settle();
        const int from = traceLines();
        ColorComboBox *slot = page->lightColors.at(3);
        QVERIFY(slot->selected);
        QTest::mouseClick(slot, Qt::LeftButton);
        QTRY_VERIFY(slot->table()->isVisible());

        ColorComboboxItem *swatch = nullptr;
        for (ColorComboboxItem *s : slot->swatches()) {
            if (s->color == QLatin1String("#42a5f5"))
                swatch = s;
        }
        QVERIFY(swatch);
        QVERIFY(swatch->isVisible());
        QTest::mouseClick(swatch, Qt::LeftButton);
        QTRY_VERIFY(!slot->table()->isVisible());
        QCOMPARE(slot->color, QStringLiteral("#42a5f5"));

        const QList<int> expected{255, 0, 0, 255, 0, 0, 255, 0, 0, 66, 165, 245, 255, 0, 0, 255, 0, 0,
                                  255, 255, 255, 255, 255, 255};
        QCOMPARE(toInts(md->colorValue), expected);
        QCOMPARE(page->rgbLineEdit->text(), QStringLiteral("#42a5f5"));
        QTRY_VERIFY_WITH_TIMEOUT(wireColours(expected), 5000);
        // Colours first, then the lighting mode: once for the press on the slot (it re-applies
        // its colour), once for the pick.
        rig.settle();
        QCOMPARE(featureCodes(from), QList<int>({12, 6, 12, 6}));
    }

    void firstClickSelectsSecondOpensThePalette()
    {
        auto page = makePage(numbers({1, 4, 2, 0}), allRed());
        QVERIFY(page);
        ColorComboBox *slot = page->lightColors.at(1);
        slot->setColor(QStringLiteral("#00ff00"));
        QTest::mouseClick(slot, Qt::LeftButton);
        QVERIFY(!slot->table()->isVisible());
        QCOMPARE(page->currentSlot, 1);
        QVERIFY(slot->selected);
        QVERIFY(!page->lightColors.at(0)->selected);
        QCOMPARE(page->rgbLineEdit->text(), QStringLiteral("#00ff00"));
        QCOMPARE(md->lightValue.at(3).toInt(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(rig.state().lightSlot == 1 && wireColours({255, 0, 0, 0, 255, 0}), 5000);

        QTest::mouseClick(slot, Qt::LeftButton);
        QTRY_VERIFY(slot->table()->isVisible());
        slot->hidePopup();
        QTRY_VERIFY(!slot->table()->isVisible());

        // The same from the keyboard, with arrows in the palette and Enter to pick.
        ColorComboBox *next = page->lightColors.at(2);
        next->setFocus(Qt::TabFocusReason);
        QTest::keyClick(next, Qt::Key_Space);
        QVERIFY(next->selected);
        QVERIFY(!next->table()->isVisible());
        QTest::keyClick(next, Qt::Key_Down);   // stepping rows changes nothing
        QCOMPARE(next->color, QStringLiteral("#ff0000"));
        QTest::keyClick(next, Qt::Key_Space);
        QTRY_VERIFY(next->table()->isVisible());
        QWidget *focused = QApplication::focusWidget();
        QCOMPARE(focused, next->swatches().at(0));
        QTest::keyClick(focused, Qt::Key_Right);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), next->swatches().at(9));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!next->table()->isVisible());
        QCOMPARE(next->color, next->palette.at(9));
        QCOMPARE(page->rgbLineEdit->text(), QStringLiteral("#7b1fa2"));
    }

    // Typed colours are taken on Enter and when the field is left; out of range is refused
    // visibly and never sent.
    void typedColoursAreCheckedAndApplied()
    {
        auto page = makePage(numbers({1, 4, 2, 5}), allRed());
        QVERIFY(page);
        page->rLineEdit->setText(QStringLiteral("10"));
        page->gLineEdit->setText(QStringLiteral("0"));
        page->bLineEdit->setText(QStringLiteral("44"));
        page->bLineEdit->setFocus();
        QTest::keyClick(page->bLineEdit, Qt::Key_Return);
        // The focus stays where the user typed.
        QVERIFY(page->bLineEdit->hasFocus());
        QCOMPARE(page->rgbLineEdit->text(), QStringLiteral("#0a002c"));
        QCOMPARE(page->lightColors.at(5)->color, QStringLiteral("#0a002c"));
        QTRY_VERIFY_WITH_TIMEOUT(rig.state().colors[15] == 10 && rig.state().colors[16] == 0
                                     && rig.state().colors[17] == 44,
                                 5000);
        rig.settle();

        // 300 and "zz": refused where typed, nothing sent, the slot keeps its colour.
        QSignalSpy sent(Controller::instance(), &Controller::send);
        rig.typeInto(page->bLineEdit, QStringLiteral("300"));
        QTest::keyClick(page->bLineEdit, Qt::Key_Return);
        QVERIFY(FormSupport::isRefused(page->bLineEdit));
        QCOMPARE(page->bLineEdit->toolTip(), md->languageText(130));
        QCOMPARE(page->lightColors.at(5)->color, QStringLiteral("#0a002c"));
        rig.typeInto(page->rLineEdit, QStringLiteral("zz"));
        QCOMPARE(page->rLineEdit->text(), QString());
        QTest::keyClick(page->rLineEdit, Qt::Key_Enter);
        QVERIFY(FormSupport::isRefused(page->rLineEdit));
        QCOMPARE(sent.count(), 0);

        // Typed and left by a click elsewhere: applied as on Enter.
        rig.typeInto(page->rLineEdit, QStringLiteral("200"));
        rig.typeInto(page->bLineEdit, QStringLiteral("5"));
        page->gLineEdit->setFocus(Qt::MouseFocusReason);
        QCOMPARE(page->lightColors.at(5)->color, QStringLiteral("#c80005"));
        QVERIFY(!FormSupport::isRefused(page->rLineEdit) && !FormSupport::isRefused(page->bLineEdit));
        QTRY_VERIFY_WITH_TIMEOUT(rig.state().colors[15] == 200 && rig.state().colors[17] == 5, 5000);

        // The colour field takes #rrggbb, on Enter or when left, and refuses anything else.
        QVERIFY(!page->rgbLineEdit->isReadOnly());
        rig.typeInto(page->rgbLineEdit, QStringLiteral("#12ab3"));
        QTest::keyClick(page->rgbLineEdit, Qt::Key_Return);
        QVERIFY(FormSupport::isRefused(page->rgbLineEdit));
        QCOMPARE(page->lightColors.at(5)->color, QStringLiteral("#c80005"));
        rig.typeInto(page->rgbLineEdit, QStringLiteral("12AB3F"));
        page->rLineEdit->setFocus(Qt::MouseFocusReason);
        QCOMPARE(page->lightColors.at(5)->color, QStringLiteral("#12ab3f"));
        QCOMPARE(page->gLineEdit->text(), QStringLiteral("171"));
        QTRY_VERIFY_WITH_TIMEOUT(rig.state().colors[15] == 0x12 && rig.state().colors[16] == 0xab
                                     && rig.state().colors[17] == 0x3f,
                                 5000);
        QCOMPARE(LightWindow::hexColor(0, 15, 16), QStringLiteral("#000f10"));
    }

    void colourBarPicksThePixelUnderThePress()
    {
        auto page = makePage(numbers({1, 4, 2, 0}), allRed());
        QVERIFY(page);
        QSignalSpy picked(page->colorBar, &ColorBar::currentColor);
        QTest::mouseClick(page->colorBar, Qt::LeftButton, {}, QPoint(0, 32));
        QCOMPARE(picked.count(), 1);
        const int r = picked.at(0).at(0).toInt(), g = picked.at(0).at(1).toInt(), b = picked.at(0).at(2).toInt();
        QVERIFY2(r >= 230 && g <= 30 && b <= 30, qPrintable(QStringLiteral("%1 %2 %3").arg(r).arg(g).arg(b)));
        QCOMPARE(page->lightColors.at(0)->color, LightWindow::hexColor(uchar(r), uchar(g), uchar(b)));
        QCOMPARE(page->colorBar->pin->pos(), QPoint(-6, 26));

        // A third of the way along lies blue; the right button picks nothing.
        QTest::mouseClick(page->colorBar, Qt::LeftButton, {}, QPoint(149, 10));
        const QRgb px = page->colorBar->image.pixel(149, 10);
        QCOMPARE(page->rgbLineEdit->text(), QColor(px).name());
        QVERIFY(qBlue(px) > 200 && qGreen(px) < 60);
        QTest::mouseClick(page->colorBar, Qt::RightButton, {}, QPoint(300, 10));
        QCOMPARE(picked.count(), 2);

        // Keyboard: Home, then PageDown; the colour is applied when the key is let go.
        page->colorBar->setFocus(Qt::TabFocusReason);
        QTest::keyPress(page->colorBar, Qt::Key_Home);
        QCOMPARE(picked.count(), 2);
        QTest::keyRelease(page->colorBar, Qt::Key_Home);
        QCOMPARE(picked.count(), 3);
        QTest::keyClick(page->colorBar, Qt::Key_PageDown);
        QCOMPARE(page->colorBar->pinCentre(), QPoint(56, 32));
        QCOMPARE(page->rgbLineEdit->text(), QColor(page->colorBar->image.pixel(56, 32)).name());
    }

    void screenReaderNamesAndRoles()
    {
        auto page = makePage(numbers({1, 4, 2, 0}), allRed());
        QVERIFY(page);
        QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(page->colorBar);
        QCOMPARE(bar->role(), QAccessible::ColorChooser);
        const QColor under(page->colorBar->image.pixel(page->colorBar->pinCentre()));
        QCOMPARE(bar->text(QAccessible::Name), md->languageText(79) + QStringLiteral(": ")
                                                   + AccessibleFactory::spokenColour(under));

        QAccessibleInterface *slot = QAccessible::queryAccessibleInterface(page->lightColors.at(2));
        QCOMPARE(slot->role(), QAccessible::ComboBox);
        QCOMPARE(slot->text(QAccessible::Name), md->languageText(79) + QStringLiteral(" 3"));
        QCOMPARE(slot->text(QAccessible::Description), QStringLiteral("R 255, G 0, B 0"));

        QAccessibleInterface *swatch = QAccessible::queryAccessibleInterface(page->lightColors.at(0)->swatches().at(27));
        QCOMPARE(swatch->role(), QAccessible::Button);
        QCOMPARE(swatch->text(QAccessible::Name), QStringLiteral("R 66, G 165, B 245"));

        QAccessibleInterface *slider = QAccessible::queryAccessibleInterface(page->bSlider);
        QCOMPARE(slider->role(), QAccessible::Slider);
        QCOMPARE(slider->text(QAccessible::Name), md->languageText(71));
        // The shown step is its value; said once, not again as a description.
        QCOMPARE(slider->text(QAccessible::Description), QString());
        // In percent, and set in percent: 50 % is the middle step, sent as a change.
        QAccessibleValueInterface *value = slider->valueInterface();
        QVERIFY(value);
        QCOMPARE(value->maximumValue().toInt(), 100);
        QCOMPARE(value->currentValue().toInt(), 100);
        value->setCurrentValue(50);
        QCOMPARE(page->bSlider->value(), 2);
        QCOMPARE(md->lightValue.value(1).toInt(), 2);

        QAccessibleInterface *speed = QAccessible::queryAccessibleInterface(page->sSlider);
        QCOMPARE(speed->text(QAccessible::Name), md->languageText(72) + QStringLiteral(": ") + md->languageText(105));

        // The effects are one choice, and choosing one by the screen reader sends it.
        QAccessibleInterface *effect = QAccessible::queryAccessibleInterface(page->effectBtns.at(2));
        QCOMPARE(effect->role(), QAccessible::RadioButton);
        effect->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QTRY_COMPARE(md->lightValue.value(0).toInt(), 2);
    }

    void screenshot()
    {
        auto page = makePage(numbers({2, 3, 2, 1}), allRed());
        QVERIFY(page);
        page->lightColors.at(1)->setColor(QStringLiteral("#42a5f5"));
        page->lightColors.at(2)->setColor(QStringLiteral("#ffec3c"));
        QTest::mouseClick(page->lightColors.at(2), Qt::LeftButton);
        QImage shot(page->size(), QImage::Format_RGB32);
        shot.fill(QColor(43, 43, 43));
        page->render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
        QVERIFY(shot.height() >= 600);
        QCOMPARE(shot.width(), 1108);
        const QString out = qEnvironmentVariable("MOUSECFG_SCREENSHOT_DIR");
        if (!out.isEmpty()) {
            QVERIFY(shot.save(out + QStringLiteral("/light.png")));
        }
    }
};

QTEST_MAIN(TestLight)
#include "tst_light.moc"
