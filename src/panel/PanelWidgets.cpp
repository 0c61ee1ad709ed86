#include "PanelWidgets.h"

#include "ImageLists.h"
#include "PanelBar.h"
#include "PlayerPanel.h"
#include "TKnob.h"
#include "TLED.h"
#include "TLEDLabel.h"

#include <QAction>
#include <QToolButton>

namespace {

void setWidth(QWidget *w, int width)
{
    if (w->width() != width)
        w->resize(width, w->height());
}

void setCaption(TLEDLabel *label, const QString &caption)
{
    if (label->Caption() != caption)
        label->setCaption(caption);
}

} // namespace

PanelWidgets::PanelWidgets(const Controls &controls) : m_c(controls)
{
    // A disabled button shows its picture unchanged: the highlighted play
    // and stop pictures belong to the disabled buttons.
    for (int i = 0; i < int(m_images.size()); ++i)
        m_images[i] = ImageLists::playerButtonIcon(i, true);
    for (QAction *a : {m_c.playItem, m_c.pauseItem, m_c.stopItem})
        a->setCheckable(true);
}

void PanelWidgets::connectTo(PlayerPanel &panel)
{
    PlayerPanel *p = &panel;
    const auto onClick = [p](QToolButton *button, void (PlayerPanel::*command)()) {
        QObject::connect(button, &QToolButton::clicked, button, [p, command] { (p->*command)(); });
    };
    onClick(m_c.play, &PlayerPanel::play);
    onClick(m_c.pause, &PlayerPanel::pause);
    onClick(m_c.stop, &PlayerPanel::stop);
    const auto onItem = [p](QAction *item, void (PlayerPanel::*command)()) {
        // The check mark is the poll's to set, not the click's.
        QObject::connect(item, &QAction::triggered, item, [p, item, command] {
            item->setChecked(!item->isChecked());
            (p->*command)();
        });
    };
    onItem(m_c.playItem, &PlayerPanel::play);
    onItem(m_c.pauseItem, &PlayerPanel::pause);
    onItem(m_c.stopItem, &PlayerPanel::stop);
    for (PanelBar *bar : {m_c.down, m_c.played})
        QObject::connect(bar, &PanelBar::pressedAt, bar, [p](int x) { p->seekAt(x); });
    TKnob *knob = m_c.volume;
    QObject::connect(knob, &TKnob::OnChange, knob, [p, knob] { p->setVolume(knob->Position()); });
}

void PanelWidgets::showTitle(const QString &caption)
{
    setCaption(m_c.title, caption);
}

void PanelWidgets::showNumbers(const QString &caption)
{
    setCaption(m_c.numbers, caption);
}

void PanelWidgets::setDownloadBar(int width)
{
    setWidth(m_c.down, width);
}

void PanelWidgets::setPlayBar(int width)
{
    setWidth(m_c.played, width);
}

void PanelWidgets::showButtons(const PanelButtons &b)
{
    if (m_shownButtons == b)
        return;
    m_shownButtons = b;
    m_c.play->setEnabled(b.playEnabled);
    m_c.pause->setEnabled(b.pauseEnabled);
    m_c.stop->setEnabled(b.stopEnabled);
    m_c.playItem->setEnabled(b.playEnabled);
    m_c.pauseItem->setEnabled(b.pauseEnabled);
    m_c.stopItem->setEnabled(b.stopEnabled);
    m_c.playItem->setChecked(b.checked == PanelButtons::CheckPlay);
    m_c.pauseItem->setChecked(b.checked == PanelButtons::CheckPause);
    m_c.stopItem->setChecked(b.checked == PanelButtons::CheckStop);
    m_c.play->setIcon(m_images.at(b.playImage));
    m_c.pause->setIcon(m_images.at(b.pauseImage));
    m_c.stop->setIcon(m_images.at(b.stopImage));
}

void PanelWidgets::enablePlaylistNavigation(bool enabled)
{
    m_c.previousItem->setEnabled(enabled);
    m_c.nextItem->setEnabled(enabled);
}

void PanelWidgets::styleTitle(TLEDLabel *label)
{
    label->LED()->setHorzsize(6);
    label->LED()->setVertsize(5);
    label->LED()->setThickness(2);
    label->LED()->setActiveColor(QColor(0, 255, 0));
    label->LED()->setInActiveColor(QColor(0, 64, 0));
    label->setCaption(QStringLiteral("      Klient     "));
}

void PanelWidgets::styleNumbers(TLEDLabel *label)
{
    label->LED()->setHorzsize(5);
    label->LED()->setVertsize(5);
    label->LED()->setThickness(1);
    label->LED()->setActiveColor(QColor(0, 255, 0));
    label->LED()->setInActiveColor(Qt::black);
    label->setCaption(QString(16, u' ') + QStringLiteral("00:00/00:00"));
}

void PanelWidgets::styleVolume(TKnob *knob)
{
    knob->setMin(0);
    knob->setMax(255);
    knob->setPosition(255);
    knob->setLineColor(Qt::black);
}
