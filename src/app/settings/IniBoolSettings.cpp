#include "IniBoolSettings.h"

#include "IniFile.h"

bool IniBoolSettings::readBool(const QString &section, const QString &key, bool defaultValue) const
{
    return m_file.readBool(section, key, defaultValue);
}

void IniBoolSettings::writeBool(const QString &section, const QString &key, bool value)
{
    m_file.writeBool(section, key, value);
}
