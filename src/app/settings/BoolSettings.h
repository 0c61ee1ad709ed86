#pragma once

#include <QString>

// The Boolean keys of a settings file, as the settings dialog sees them.
// Kept apart from IniFile so the dialog's rules can be checked against a
// store that records the order of writes or fails on a chosen one.
class BoolSettings
{
public:
    virtual ~BoolSettings() = default;

    virtual bool readBool(const QString &section, const QString &key, bool defaultValue) const = 0;
    // Raises IniWriteError when the value did not reach the file.
    virtual void writeBool(const QString &section, const QString &key, bool value) = 0;
};
