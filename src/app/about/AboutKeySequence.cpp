#include "AboutKeySequence.h"

bool AboutKeySequence::feed(int key)
{
    if (m_word.isEmpty())
        return false;
    if (key != static_cast<unsigned char>(m_word.at(m_position))) {
        m_position = 0;
        return false;
    }
    if (m_position == m_word.size() - 1) {
        m_position = 0;
        return true;
    }
    ++m_position;
    return false;
}
