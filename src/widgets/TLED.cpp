#include "TLED.h"

TLED::TLED(QObject *parent) : QObject(parent) {}

void TLED::setHorzsize(quint8 h)
{
    m_look.size.h = h;
    emit Changed();
}

void TLED::setVertsize(quint8 v)
{
    m_look.size.v = v;
    emit Changed();
}

void TLED::setThickness(quint8 t)
{
    m_look.size.t = t;
    emit Changed();
}

void TLED::setActiveColor(const QColor &c)
{
    m_look.active = c;
    emit Changed();
}

void TLED::setInActiveColor(const QColor &c)
{
    m_look.inactive = c;
    emit Changed();
}

void TLED::setDisabledDigits(bool on)
{
    m_disabledDigits = on;
    emit Changed();
}

void TLED::setBackgroundColor(const QColor &c)
{
    m_look.background = c;
    emit Changed();
}
