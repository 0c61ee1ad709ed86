#include "TTrackReply.h"

#include "ServiceReply.h"
#include "Windows1250.h"

#include <climits>

TReplyResult<TTrackReply> TTrackReply::Read(QByteArrayView body)
{
    const auto root = ServiceReply::Root(body, "getmp3");
    if (!root)
        return root.error();
    TTrackReply reply;
    const std::string action = (*root)->GetAttr("action");
    if (action == "play")
        reply.action = TTrackAction::taPlay;
    else if (action == "down")
        reply.action = TTrackAction::taDown;
    else if (action == "add")
        reply.action = TTrackAction::taAdd;
    else
        return TReplyError{TReplyErrorKind::rekWrongKind,
                           "track reply action is \"" + Windows1250::toUtf8(action) + "\""};

    const auto record = ServiceReply::ChildElement(*root, 0, "track record");
    if (!record)
        return record.error();
    const TXmlElement &e = **record;
    reply.url = e.Text();
    reply.artist = e.GetAttr("interpret");
    reply.name = e.GetAttr("jmeno");
    reply.album = e.GetAttr("album");
    reply.length = e.GetAttr("cas");
    reply.id = e.GetAttr("id");

    if (reply.action == TTrackAction::taAdd) {
        const std::string kam = (*root)->GetAttr("kam");
        if (!kam.empty()) {
            long long position = 0;
            if (!ServiceReply::ParseInteger(kam, position) || position < 0 || position > INT_MAX)
                return ServiceReply::NotANumber("kam", kam);
            reply.insertAt = static_cast<int>(position);
        }
    }
    return reply;
}
