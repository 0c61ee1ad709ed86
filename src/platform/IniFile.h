#pragma once

#include <QList>
#include <QString>

// A settings file in INI form ("[Section]" lines, "Key=Value" lines), read and
// written key by key like the profile-string functions: every read looks at
// the file as it is on disk, every write replaces the whole file atomically
// at once, so two objects on one file always agree and a crash never leaves a
// half-written file. Section and key names match without regard to case;
// other sections, keys, comments and their order are kept byte for byte;
// values written are UTF-8, and a value that is not UTF-8 reads as Windows-1250.
class IniFile
{
public:
    explicit IniFile(QString path);

    // The executable's path with ".ini", or, when that file cannot be created
    // there, $XDG_CONFIG_HOME/sonaro-klient/<name>.ini.
    static QString defaultPath();
    static QString pathFor(const QString &executablePath, const QString &configHome);

    const QString &path() const { return m_path; }

    // A missing file, section or key gives the default.
    QString readString(const QString &section, const QString &key, const QString &defaultValue) const;
    // Decimal text only; anything else (empty, "12a", out of range) gives the default.
    int readInteger(const QString &section, const QString &key, int defaultValue) const;
    // Read as an integer: any non-zero integer is true.
    bool readBool(const QString &section, const QString &key, bool defaultValue) const;

    // Each raises IniWriteError when the file cannot be replaced; the old
    // file then stays as it was.
    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);
    void writeBool(const QString &section, const QString &key, bool value);

    struct Entry
    {
        QString section;
        QString key;
        QString value;
    };
    // Several keys in one replacement of the file: all of them, or none.
    void writeStrings(const QList<Entry> &entries);

private:
    QString m_path;
};
