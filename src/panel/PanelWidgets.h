#pragma once

#include "PanelButtons.h"
#include "PanelDisplay.h"

#include <QIcon>
#include <QString>

#include <array>
#include <optional>

class PanelBar;
class PlayerPanel;
class QAction;
class QToolButton;
class TKnob;
class TLEDLabel;

// The panel's controls on the main window: shows what the panel polled and
// hands the controls' input to the panel. Writes only what changed, so a
// steady poll repaints nothing.
class PanelWidgets final : public PanelDisplay
{
public:
    struct Controls
    {
        QToolButton *play = nullptr;
        QToolButton *pause = nullptr;
        QToolButton *stop = nullptr;
        TKnob *volume = nullptr;
        TLEDLabel *title = nullptr;
        TLEDLabel *numbers = nullptr;
        PanelBar *down = nullptr;
        PanelBar *played = nullptr;
        // "Přehrávač": Play, Pause, Stop, Předchozí, Další.
        QAction *playItem = nullptr;
        QAction *pauseItem = nullptr;
        QAction *stopItem = nullptr;
        QAction *previousItem = nullptr;
        QAction *nextItem = nullptr;
    };

    // The controls are children of a window that outlives this object.
    explicit PanelWidgets(const Controls &controls);

    // Clicks, menu items (and their shortcuts), bar presses and the knob go
    // to the panel, which must outlive the controls' connections (they end
    // with the controls).
    void connectTo(PlayerPanel &panel);

    void showTitle(const QString &caption) override;
    void showNumbers(const QString &caption) override;
    void setDownloadBar(int width) override;
    void setPlayBar(int width) override;
    void showButtons(const PanelButtons &buttons) override;
    void enablePlaylistNavigation(bool enabled) override;

    // Look of the panel's controls as the window places them.
    static void styleTitle(TLEDLabel *label);
    static void styleNumbers(TLEDLabel *label);
    static void styleVolume(TKnob *knob);

private:
    Controls m_c;
    std::array<QIcon, 6> m_images;
    std::optional<PanelButtons> m_shownButtons;
};
