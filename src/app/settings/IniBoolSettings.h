#pragma once

#include "BoolSettings.h"

class IniFile;

// BoolSettings over the program's settings file.
class IniBoolSettings : public BoolSettings
{
public:
    explicit IniBoolSettings(IniFile &file) : m_file(file) {}

    bool readBool(const QString &section, const QString &key, bool defaultValue) const override;
    void writeBool(const QString &section, const QString &key, bool value) override;

private:
    IniFile &m_file;
};
