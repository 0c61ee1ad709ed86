#include "TUpdateReply.h"

#include "ServiceReply.h"

#include <climits>

TReplyResult<TUpdateReply> TUpdateReply::Read(QByteArrayView body)
{
    const auto root = ServiceReply::Root(body, "updater");
    if (!root)
        return root.error();
    const TXmlElement &r = **root;
    TUpdateReply reply;

    if (!r.HasAttr("kid"))
        return ServiceReply::Missing("kid");
    reply.clientIdText = r.GetAttr("kid");
    long long id = 0;
    if (!ServiceReply::ParseInteger(reply.clientIdText, id) || id < INT_MIN || id > INT_MAX)
        return ServiceReply::NotANumber("kid", reply.clientIdText);
    reply.clientId = static_cast<int>(id);

    reply.newVersion = r.GetAttr("newver") == "ano";
    reply.version = r.GetAttr("verze");
    reply.sizeText = r.GetAttr("velikost");
    long long size = 0;
    if (ServiceReply::ParseInteger(reply.sizeText, size))
        reply.size = size;
    reply.hasMessage = r.GetAttr("jezprava") == "ano";

    auto count = ServiceReply::ChildText(*root, 0, "database count");
    if (!count)
        return count.error();
    reply.databaseCount = *count;
    if (reply.hasMessage) {
        auto message = ServiceReply::ChildText(*root, 1, "message");
        if (!message)
            return message.error();
        reply.message = *message;
    }
    return reply;
}
