#pragma once

#include <QByteArray>

// One word that the About window watches for. Keys arrive as key codes; the
// word is capital letters and spaces, whose codes equal the keys' codes, so
// Shift makes no difference to a letter, but pressing Shift itself (or any
// other key not next in the word) starts the word over. A wrong key is not
// tried again as the word's first letter: the word restarts with the next key.
class AboutKeySequence
{
public:
    explicit AboutKeySequence(QByteArray word) : m_word(std::move(word)) {}

    // True when this key completes the word; the word then starts over.
    bool feed(int key);

    const QByteArray &word() const { return m_word; }

private:
    QByteArray m_word;
    int m_position = 0; // 0-based index of the next expected character
};
