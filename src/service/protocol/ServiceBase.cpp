#include "ServiceBase.h"

#include "ServiceConstants.h"

namespace ServiceBase {

QByteArray rebase(const QByteArray &url, QByteArrayView base)
{
    const QByteArrayView installed(ServiceBaseUrl.data(), static_cast<qsizetype>(ServiceBaseUrl.size()));
    if (base.isEmpty() || !url.startsWith(installed))
        return url;
    return base.toByteArray() + url.mid(installed.size());
}

} // namespace ServiceBase
