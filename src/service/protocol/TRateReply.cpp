#include "TRateReply.h"

#include "ServiceReply.h"

TReplyResult<TRateReply> TRateReply::Read(QByteArrayView body)
{
    const auto root = ServiceReply::Root(body, "hodnot");
    if (!root)
        return root.error();
    auto rating = ServiceReply::ChildText(*root, 0, "rating");
    if (!rating)
        return rating.error();
    return TRateReply{*rating};
}
