// Paint cost of the player panel's custom controls: the number display with
// its 27 characters and the volume knob. Target: under 0.2 ms a paint.
#include "TKnob.h"
#include "TLED.h"
#include "TLEDLabel.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

namespace {

void setUpNumbers(TLEDLabel &label)
{
    label.resize(273, 17);
    label.LED()->setHorzsize(5);
    label.LED()->setVertsize(5);
    label.LED()->setThickness(1);
    label.LED()->setInActiveColor(Qt::black);
}

void setUpTitle(TLEDLabel &label)
{
    label.resize(273, 25);
    label.LED()->setHorzsize(6);
    label.LED()->setVertsize(5);
    label.LED()->setInActiveColor(QColor(0, 64, 0));
}

// The caption changes every paint, as the time display does.
void paintLabel(benchmark::State &state, TLEDLabel &label, const QString &prefix)
{
    QImage target(label.size(), QImage::Format_ARGB32_Premultiplied);
    int second = 0;
    for (auto _ : state) {
        const QString time = QString::asprintf("%02d:%02d", second / 60 % 60, second % 60);
        label.setCaption(prefix + time + "/03:25");
        label.render(&target);
        benchmark::DoNotOptimize(target.constBits());
        ++second;
    }
}

void BM_LedNumbersRender(benchmark::State &state)
{
    TLEDLabel label;
    setUpNumbers(label);
    paintLabel(state, label, QStringLiteral("128 kb/s        "));
}
BENCHMARK(BM_LedNumbersRender);

void BM_LedNumbersRepaintShown(benchmark::State &state)
{
    TLEDLabel label;
    setUpNumbers(label);
    label.setCaption(QStringLiteral("128 kb/s        00:00/03:25"));
    label.show();
    QApplication::processEvents();
    for (auto _ : state)
        label.repaint();
}
BENCHMARK(BM_LedNumbersRepaintShown);

void BM_LedTitleRender(benchmark::State &state)
{
    TLEDLabel label;
    setUpTitle(label);
    paintLabel(state, label, QStringLiteral("Kabat - Po"));
}
BENCHMARK(BM_LedTitleRender);

void BM_KnobRender(benchmark::State &state)
{
    TKnob knob;
    knob.setGeometry(0, 0, 41, 41);
    knob.setMax(255);
    knob.setLineColor(Qt::black);
    knob.show(); // the square rule takes effect once shown
    QApplication::processEvents();
    QImage target(knob.size(), QImage::Format_ARGB32_Premultiplied);
    int v = 0;
    for (auto _ : state) {
        knob.setPosition(v++ & 255);
        knob.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_KnobRender);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
