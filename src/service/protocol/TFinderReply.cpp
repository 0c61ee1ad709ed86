#include "TFinderReply.h"

#include "ServiceReply.h"

TReplyResult<TFinderReply> TFinderReply::Read(QByteArrayView body)
{
    const auto root = ServiceReply::Root(body, "finder");
    if (!root)
        return root.error();
    const IXmlNodeList children = (*root)->ChildNodes();
    TFinderReply reply;
    reply.records.reserve(static_cast<std::size_t>(children->Count()));
    for (int i = 0, n = children->Count(); i < n; ++i) {
        const auto record = ServiceReply::ChildElement(*root, i, "finder record");
        if (!record)
            return record.error();
        const TXmlElement &e = **record;
        reply.records.push_back(Record{
            e.GetAttr("jmeno"),
            e.GetAttr("interpret"),
            e.GetAttr("album"),
            e.GetAttr("zanr"),
            e.GetAttr("cas"),
            e.GetAttr("hodnoceni"),
            e.GetAttr("cislo"),
            e.GetAttr("bitrate"),
            e.GetAttr("velikost"),
            e.Text(),
            e.GetAttr("hodmuzu"),
        });
    }
    return reply;
}
