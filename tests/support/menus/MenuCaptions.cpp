#include "MenuCaptions.h"

#include <QAction>
#include <QHash>
#include <QMenu>

namespace MenuCaptions {

QString shown(const QAction *a)
{
    QString text = a->text();
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(u'&');
    return text.replace(u'\x01', u'&');
}

QString mnemonicOf(const QAction *a)
{
    QString text = a->text();
    text.replace(QStringLiteral("&&"), QString());
    const qsizetype at = text.indexOf(u'&');
    return at < 0 || at + 1 >= text.size() ? QString() : text.mid(at + 1, 1).toLower();
}

QStringList items(const QMenu *menu, bool visibleOnly)
{
    QStringList list;
    for (const QAction *a : menu->actions()) {
        if (!visibleOnly || a->isVisible())
            list.append(a->isSeparator() ? QStringLiteral("-") : shown(a));
    }
    return list;
}

QStringList mnemonicFaults(const QMenu *menu)
{
    QStringList faults;
    QHash<QString, QString> captionOfLetter;
    for (const QAction *a : menu->actions()) {
        if (a->isSeparator())
            continue;
        const QString letter = mnemonicOf(a);
        if (letter.isEmpty())
            faults.append(shown(a) + QStringLiteral(": no mnemonic"));
        else if (captionOfLetter.contains(letter))
            faults.append(shown(a) + QStringLiteral(": shares \"") + letter + QStringLiteral("\" with ")
                          + captionOfLetter.value(letter));
        else
            captionOfLetter.insert(letter, shown(a));
        if (const QMenu *sub = a->menu())
            faults += mnemonicFaults(sub);
    }
    return faults;
}

} // namespace MenuCaptions
