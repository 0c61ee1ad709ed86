#include "KnobMath.h"
#include "TKnob.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include <gtest/gtest.h>

namespace {

// The volume knob of the player panel.
std::unique_ptr<TKnob> volumeKnob()
{
    auto knob = std::make_unique<TKnob>();
    knob->setGeometry(0, 0, 41, 41);
    knob->setMax(255);
    knob->setPosition(255);
    knob->setLineColor(Qt::black);
    return knob;
}

void showAndWait(QWidget &w)
{
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
}

} // namespace

TEST(TKnob, EverySetRaisesOnChangeAndClamps)
{
    auto knob = volumeKnob();
    QSignalSpy spy(knob.get(), &TKnob::OnChange);
    knob->setPosition(300);
    EXPECT_EQ(knob->Position(), 255);
    EXPECT_EQ(knob->IndicatorAngle(), -60);
    EXPECT_EQ(spy.count(), 1);
    knob->setPosition(255);
    EXPECT_EQ(spy.count(), 2);
    knob->setPosition(128);
    EXPECT_EQ(knob->IndicatorAngle(), 89);
    knob->setMin(0);
    knob->setMax(255);
    EXPECT_EQ(spy.count(), 5);
    knob->setPageSize(20); // not a value: no event
    EXPECT_EQ(spy.count(), 5);
}

TEST(TKnob, KeysStepAndRaiseOnChange)
{
    auto knob = volumeKnob();
    showAndWait(*knob);
    knob->setFocus();
    QSignalSpy spy(knob.get(), &TKnob::OnChange);
    // Already at Max: End still raises the event.
    QTest::keyClick(knob.get(), Qt::Key_End);
    EXPECT_EQ(knob->Position(), 255);
    EXPECT_EQ(spy.count(), 1);
    QTest::keyClick(knob.get(), Qt::Key_PageDown);
    EXPECT_EQ(knob->Position(), 245);
    QTest::keyClick(knob.get(), Qt::Key_Left);
    QTest::keyClick(knob.get(), Qt::Key_Down);
    EXPECT_EQ(knob->Position(), 243);
    QTest::keyClick(knob.get(), Qt::Key_Up);
    EXPECT_EQ(knob->Position(), 244);
    QTest::keyClick(knob.get(), Qt::Key_Right);
    QTest::keyClick(knob.get(), Qt::Key_PageUp);
    EXPECT_EQ(knob->Position(), 255);
    QTest::keyClick(knob.get(), Qt::Key_Home);
    EXPECT_EQ(knob->Position(), 0);
    EXPECT_EQ(spy.count(), 8);
    QTest::keyClick(knob.get(), Qt::Key_A);
    EXPECT_EQ(spy.count(), 8);
}

TEST(TKnob, EqualEndsStayAtMin)
{
    TKnob knob;
    knob.setMax(0);
    knob.setPosition(9);
    EXPECT_EQ(knob.Position(), 0);
    EXPECT_EQ(knob.AngleStep(), 0.0f);
    EXPECT_EQ(knob.IndicatorAngle(), 240);
}

TEST(TKnob, SpringLoadedReturnsToZeroClampedToMin)
{
    auto knob = volumeKnob();
    knob->setMin(10);
    QSignalSpy spy(knob.get(), &TKnob::OnChange);
    knob->setSpringLoaded(true);
    EXPECT_EQ(knob->Position(), 10);
    EXPECT_EQ(spy.count(), 1);

    showAndWait(*knob);
    // Drag to the top, release: back to Min.
    QTest::mousePress(knob.get(), Qt::LeftButton, {}, QPoint(30, 10));
    EXPECT_GT(knob->Position(), 10);
    QTest::mouseRelease(knob.get(), Qt::LeftButton, {}, QPoint(30, 10));
    EXPECT_EQ(knob->Position(), 10);

    // Losing the focus returns it too.
    knob->setPosition(100);
    QWidget other;
    showAndWait(other);
    knob->activateWindow();
    knob->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return knob->hasFocus(); }, 2000));
    knob->clearFocus();
    EXPECT_EQ(knob->Position(), 10);
}

TEST(TKnob, PressInsideTheCircleDragsAndReleaseSettles)
{
    auto knob = volumeKnob();
    showAndWait(*knob);
    QSignalSpy spy(knob.get(), &TKnob::OnChange);

    // A press in the corner is outside the inscribed circle.
    QTest::mousePress(knob.get(), Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseRelease(knob.get(), Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(knob->Position(), 255);
    EXPECT_EQ(spy.count(), 0);
    // The right button does not turn it either.
    QTest::mousePress(knob.get(), Qt::RightButton, {}, QPoint(20, 5));
    EXPECT_EQ(knob->Position(), 255);

    // Straight up is the middle of the range.
    QTest::mousePress(knob.get(), Qt::LeftButton, {}, QPoint(20, 5));
    EXPECT_TRUE(knob->hasFocus());
    EXPECT_EQ(knob->Position(), 127);
    // Dragging below the centre on the left: the Min end.
    QTest::mouseMove(knob.get(), QPoint(12, 36));
    EXPECT_EQ(knob->Position(), 0);
    QTest::mouseMove(knob.get(), QPoint(28, 36));
    EXPECT_EQ(knob->Position(), 255);
    QTest::mouseRelease(knob.get(), Qt::LeftButton, {}, QPoint(28, 36));
    EXPECT_EQ(knob->Position(), 255);

    // Moving without a pressed button changes nothing.
    const int events = spy.count();
    QTest::mouseMove(knob.get(), QPoint(5, 20));
    EXPECT_EQ(knob->Position(), 255);
    EXPECT_EQ(spy.count(), events);
}

TEST(TKnob, LabelShowsTheValueWithTheCaption)
{
    auto knob = volumeKnob();
    auto label = std::make_unique<QLabel>();
    knob->setPositionLabel(label.get());
    EXPECT_EQ(label->text(), "255 ");
    knob->setCaption("%");
    EXPECT_EQ(label->text(), "255 %");
    knob->setPosition(7);
    EXPECT_EQ(label->text(), "7 %");

    showAndWait(*knob);
    // Hovering previews the value under the mouse; leaving restores.
    QTest::mouseMove(knob.get(), QPoint(20, 5));
    EXPECT_EQ(label->text(), "127 %");
    EXPECT_EQ(knob->Position(), 7);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(knob.get(), &leave);
    EXPECT_EQ(label->text(), "7 %");

    knob->setEnabled(false);
    EXPECT_FALSE(label->isEnabled());
    knob->hide();
    EXPECT_TRUE(label->isHidden());

    label.reset();
    EXPECT_EQ(knob->PositionLabel(), nullptr);
    knob->setPosition(9); // must not touch the destroyed label
    EXPECT_EQ(knob->Position(), 9);
}

TEST(TKnob, StaysSquare)
{
    TKnob knob;
    knob.setGeometry(0, 0, 41, 41);
    showAndWait(knob);
    EXPECT_EQ(knob.size(), QSize(41, 41));
    knob.resize(60, 50);
    QCoreApplication::processEvents();
    EXPECT_EQ(knob.size(), QSize(60, 60));
    knob.resize(60, 30);
    QCoreApplication::processEvents();
    EXPECT_EQ(knob.size(), QSize(30, 30));
}

TEST(TKnob, LineColourRefusesTheFace)
{
    auto knob = volumeKnob();
    EXPECT_EQ(knob->LineColor(), QColor(Qt::black));
    knob->setLineColor(knob->palette().color(QPalette::Button));
    EXPECT_EQ(knob->LineColor(), QColor(Qt::black));
    knob->setLineColor(Qt::red);
    EXPECT_EQ(knob->LineColor(), QColor(Qt::red));
}

TEST(TKnob, PaintsThePointerWhereTheValueIs)
{
    auto knob = volumeKnob();
    knob->setLineColor(Qt::red);
    showAndWait(*knob);
    const auto redAt = [&](QLine line) {
        const QImage img = knob->grab().toImage().convertToFormat(QImage::Format_RGB32);
        return img.pixel(line.p1()) == qRgb(255, 0, 0) && img.pixel(line.p2()) == qRgb(255, 0, 0);
    };
    const QLine atMax = KnobMath::pointerLine(20, -60);
    const QLine atMin = KnobMath::pointerLine(20, 240);
    EXPECT_TRUE(redAt(atMax));
    EXPECT_FALSE(redAt(atMin));
    knob->setPosition(0);
    EXPECT_TRUE(redAt(atMin));
    EXPECT_FALSE(redAt(atMax));

    // Face and outline: the centre is the button face, the rim is black.
    const QImage img = knob->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(QColor(img.pixel(20, 20)), knob->palette().color(QPalette::Button));
    EXPECT_EQ(img.pixel(20, 0), qRgb(0, 0, 0));
}
