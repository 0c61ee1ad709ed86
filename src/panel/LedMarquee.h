#pragma once

#include <QString>
#include <QStringView>

// The scrolling title of the LED label: short titles centred, long ones
// moving one character a step through an endless loop with a gap. Works on
// the title and scroll offset that the caller keeps; the caller shows the
// returned caption.
class LedMarquee
{
public:
    // Character cells the title window holds.
    static constexpr int Width = 17;
    // Spaces between the end of a title and its next copy.
    static constexpr int Gap = 5;

    // The caption shown when no title has been set yet.
    static QString emptyTitle();

    // Replaces the Czech accented letters by plain lower-case letters, which
    // the LED character set can show; other characters stay.
    static QString fold(QStringView text);

    // One step: folds ledText in place (empty becomes the default title),
    // advances ledScrollPos of a scrolling title and returns the caption.
    static QString step(QString &ledText, int &ledScrollPos);
};
