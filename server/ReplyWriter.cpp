#include "ReplyWriter.h"

namespace {

constexpr std::string_view kProlog = "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n";

void attribute(std::string &out, std::string_view name, std::string_view wire)
{
    out += ' ';
    out += name;
    out += "=\"";
    out += wire;
    out += '"';
}

} // namespace

namespace ReplyWriter {

std::string escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c; break;
        }
    }
    return out;
}

std::string finder(const std::vector<Library::Hit> &hits)
{
    std::string out;
    out.reserve(kProlog.size() + 64 + hits.size() * 256);
    out += kProlog;
    out += "<sonaro data=\"finder\">\n";
    for (const Library::Hit &hit : hits) {
        const Library::Entry &e = *hit.entry;
        out += "<mp3";
        attribute(out, "jmeno", e.name);
        attribute(out, "interpret", e.artist);
        attribute(out, "album", e.album);
        attribute(out, "zanr", e.genre);
        attribute(out, "cas", e.length);
        attribute(out, "hodnoceni", escape(hit.rating));
        attribute(out, "cislo", e.number);
        attribute(out, "bitrate", e.bitrate);
        attribute(out, "velikost", e.size);
        attribute(out, "hodmuzu", hit.mayRate ? "true" : "false");
        out += '>';
        out += std::to_string(e.info.id);
        out += "</mp3>\n";
    }
    out += "</sonaro>\n";
    return out;
}

std::string track(std::string_view action, long kam, const Library::Entry &e, std::string_view url)
{
    std::string out(kProlog);
    out += "<sonaro";
    attribute(out, "data", "getmp3");
    attribute(out, "action", escape(action));
    if (kam >= 0)
        attribute(out, "kam", std::to_string(kam));
    out += ">\n<mp3";
    attribute(out, "interpret", e.artist);
    attribute(out, "jmeno", e.name);
    attribute(out, "album", e.album);
    attribute(out, "cas", e.length);
    attribute(out, "id", std::to_string(e.info.id));
    out += '>';
    out += escape(url);
    out += "</mp3>\n</sonaro>\n";
    return out;
}

std::string rating(std::string_view ratingText)
{
    std::string out(kProlog);
    out += "<sonaro data=\"hodnot\">\n<hodnoceni>";
    out += escape(ratingText);
    out += "</hodnoceni>\n</sonaro>\n";
    return out;
}

std::string update(const Update &u)
{
    std::string out(kProlog);
    out += "<sonaro";
    attribute(out, "data", "updater");
    attribute(out, "kid", std::to_string(u.clientId));
    attribute(out, "newver", u.newVersion ? "ano" : "ne");
    attribute(out, "verze", escape(u.version));
    attribute(out, "velikost", std::to_string(u.versionSize));
    attribute(out, "jezprava", u.message.empty() ? "ne" : "ano");
    out += ">\n<pocet>";
    out += std::to_string(u.trackCount);
    out += "</pocet>\n<zprava>";
    out += escape(u.message);
    out += "</zprava>\n</sonaro>\n";
    return out;
}

std::string upData()
{
    return std::string(kProlog) + "<sonaro data=\"up_data\"/>\n";
}

std::string error(std::string_view reason)
{
    std::string out(kProlog);
    out += "<sonaro data=\"chyba\"";
    attribute(out, "duvod", escape(reason));
    out += "/>\n";
    return out;
}

} // namespace ReplyWriter
