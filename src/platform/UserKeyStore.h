#pragma once

#include <QString>

#include <optional>

// The per-user key store that holds what a registry would: a key path such as
// "\Software\Sonaro\InstallData\English\" maps to a folder under
// $XDG_CONFIG_HOME/sonaro-klient/keys/, each string value to a file in it.
// Reading never creates anything; writing creates the key and replaces the
// value atomically.
class UserKeyStore
{
public:
    explicit UserKeyStore(QString root);

    // $XDG_CONFIG_HOME (default ~/.config) + "/sonaro-klient/keys".
    static QString defaultRoot();

    const QString &root() const { return m_root; }

    // The folder of a key, or nothing for a path with "." or ".." parts.
    std::optional<QString> keyFolder(const QString &keyPath) const;

    // Nothing when the key or the value does not exist or cannot be read.
    std::optional<QString> readString(const QString &keyPath, const QString &valueName) const;
    // False when the key cannot be created or the value not written.
    bool writeString(const QString &keyPath, const QString &valueName, const QString &value) const;

private:
    std::optional<QString> valueFile(const QString &keyPath, const QString &valueName) const;

    QString m_root;
};
