#pragma once

struct PanelButtons;
class QString;

// Where the player panel shows what it polled: the panel's widgets in the
// program, a recorder in tests.
class PanelDisplay
{
public:
    virtual ~PanelDisplay() = default;

    // Caption of the scrolling title label.
    virtual void showTitle(const QString &caption) = 0;
    // Caption of the number display.
    virtual void showNumbers(const QString &caption) = 0;
    // Widths in pixels of the downloaded and the played part of the bar.
    virtual void setDownloadBar(int width) = 0;
    virtual void setPlayBar(int width) = 0;
    virtual void showButtons(const PanelButtons &buttons) = 0;
    // "Předchozí" and "Další".
    virtual void enablePlaylistNavigation(bool enabled) = 0;
};
