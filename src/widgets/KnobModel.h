#pragma once

#include <cstdint>

// Value state of the knob: Min, Max, Position and the pointer angle. Every
// change goes through setValues, which clamps and recomputes the angle.
class KnobModel
{
public:
    enum class Key { PageUp, PageDown, End, Home, Decrease, Increase };

    int Min() const { return m_min; }
    int Max() const { return m_max; }
    int Position() const { return m_position; }
    int PageSize() const { return m_pageSize; }
    float AngleStep() const { return m_angleStep; }
    int IndicatorAngle() const { return m_indicatorAngle; }

    // Stores min and max, clamps value between them and stores it. The
    // value is wide so that steps past the int range still clamp.
    void setValues(std::int64_t value, int min, int max);
    void setPosition(std::int64_t value) { setValues(value, m_min, m_max); }
    void setMin(int min) { setValues(m_position, min, m_max); }
    void setMax(int max) { setValues(m_position, m_min, max); }
    void setPageSize(std::uint16_t size) { m_pageSize = size; }

    // The value a key moves to, through setValues.
    void applyKey(Key key);

    // The value the pointer would have at the angle.
    std::int64_t valueAtAngle(int angle) const;

private:
    int m_min = 0;
    int m_max = 127;
    int m_position = 0;
    int m_pageSize = 10;
    float m_angleStep = 300.0f / 127.0f;
    int m_indicatorAngle = 240;
};
