#include "ServiceRequests.h"

#include "PercentEncoding.h"
#include "ServiceConstants.h"

#include <stdexcept>

namespace ServiceRequests {

namespace {

QByteArray fromView(std::string_view text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

QByteArray trackRequest(const char *action, QByteArrayView trackId)
{
    return fromView(GetMp3Url) + "?act=" + action + "&id=" + PercentEncoding::encode(trackId);
}

} // namespace

QByteArray Search(QByteArrayView searchText)
{
    return fromView(FinderUrl) + "?find=" + PercentEncoding::encode(searchText);
}

QByteArray Play(QByteArrayView trackId)
{
    return trackRequest("play", trackId);
}

QByteArray Download(QByteArrayView trackId)
{
    return trackRequest("down", trackId);
}

QByteArray Add(QByteArrayView trackId, std::optional<int> dropIndex)
{
    QByteArray url = trackRequest("add", trackId);
    if (dropIndex)
        url += "&kam=" + QByteArray::number(*dropIndex);
    return url;
}

QByteArray Rate(int stars, QByteArrayView trackId)
{
    if (stars < 1 || stars > 5)
        throw std::out_of_range("a rating has 1 to 5 stars");
    return fromView(RateUrl) + "?body=" + QByteArray::number(stars) + "&id=" + PercentEncoding::encode(trackId);
}

QByteArray Update(int clientId)
{
    return fromView(UpdateUrl) + "?verze=" + fromView(ClientVersion) + "&kid=" + QByteArray::number(clientId);
}

QByteArray ClientIdBody(int clientId)
{
    return "KID=" + QByteArray::number(clientId);
}

} // namespace ServiceRequests
