#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Where a partly downloaded file came from: the address and the server's
// validator, kept in the file's extended attributes so that a later resume
// asks for the rest of the same resource only.
class PartialFileTag
{
public:
    QByteArray Url;
    QByteArray Validator;

    // False when the file system keeps no extended attributes (or the file is gone).
    static bool Write(const QString &path, const PartialFileTag &tag);
    // Removes the tag (the file is complete); nothing happens without one.
    static void Clear(const QString &path);
    // Nothing when the file has no tag.
    static std::optional<PartialFileTag> Read(const QString &path);
};
