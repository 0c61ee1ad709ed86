#include "PartialFileTag.h"

#include <QFile>

#include <sys/xattr.h>

#include <array>

namespace {

constexpr const char *UrlName = "user.sonaro.url";
constexpr const char *ValidatorName = "user.sonaro.validator";

std::optional<QByteArray> Get(const QByteArray &path, const char *name)
{
    std::array<char, 4096> buffer{};
    const ssize_t n = ::getxattr(path.constData(), name, buffer.data(), buffer.size());
    if (n < 0)
        return std::nullopt;
    return QByteArray(buffer.data(), qsizetype(n));
}

} // namespace

bool PartialFileTag::Write(const QString &path, const PartialFileTag &tag)
{
    const QByteArray native = QFile::encodeName(path);
    if (::setxattr(native.constData(), UrlName, tag.Url.constData(), size_t(tag.Url.size()), 0) != 0)
        return false;
    return ::setxattr(native.constData(), ValidatorName, tag.Validator.constData(), size_t(tag.Validator.size()), 0)
        == 0;
}

std::optional<PartialFileTag> PartialFileTag::Read(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    const std::optional<QByteArray> url = Get(native, UrlName);
    if (!url)
        return std::nullopt;
    PartialFileTag tag;
    tag.Url = *url;
    tag.Validator = Get(native, ValidatorName).value_or(QByteArray());
    return tag;
}

void PartialFileTag::Clear(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    ::removexattr(native.constData(), UrlName);
    ::removexattr(native.constData(), ValidatorName);
}
