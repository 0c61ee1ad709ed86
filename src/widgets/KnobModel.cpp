#include "KnobModel.h"

#include "KnobMath.h"

#include <algorithm>

void KnobModel::setValues(std::int64_t value, int min, int max)
{
    if (min != m_min || max != m_max) {
        m_min = min;
        m_max = max;
        m_angleStep = KnobMath::angleStep(min, max);
    }
    // A reversed knob (max below min) keeps its value between the two ends
    // as well, so the pointer never leaves the arc.
    const int low = std::min(min, max);
    const int high = std::max(min, max);
    m_position = int(std::clamp<std::int64_t>(value, low, high));
    m_indicatorAngle = KnobMath::indicatorAngle(m_position, m_min, m_angleStep);
}

void KnobModel::applyKey(Key key)
{
    const std::int64_t pos = m_position;
    switch (key) {
    case Key::PageUp: setPosition(pos + m_pageSize); break;
    case Key::PageDown: setPosition(pos - m_pageSize); break;
    case Key::End: setPosition(m_max); break;
    case Key::Home: setPosition(m_min); break;
    case Key::Decrease: setPosition(pos - 1); break;
    case Key::Increase: setPosition(pos + 1); break;
    }
}

std::int64_t KnobModel::valueAtAngle(int angle) const
{
    return KnobMath::angleToValue(angle, m_min, m_angleStep);
}
