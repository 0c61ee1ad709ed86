#include "TLoopbackRequest.h"

QByteArray TLoopbackRequest::Header(const QByteArray &name) const
{
    for (const auto &[key, value] : Headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

QByteArray TLoopbackRequest::Target() const
{
    return RequestLine.split(' ').value(1);
}
