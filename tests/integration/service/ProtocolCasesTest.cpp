// Every folder under tests/data/protocol is one exchange with the service:
// what the client is asked to do (call.txt), the request it must send
// (request.txt), the reply the service gives (reply.xml, Windows-1250 bytes as
// sent) and what the client reads from that reply (expected.txt, UTF-8).
// In request.txt, %HOST stands for the server's address and %VERSION for the
// client's version.
#include "ProgramConstants.h"
#include "ServiceBase.h"
#include "ServiceRequests.h"
#include "TFinderReply.h"
#include "THTTPGet.h"
#include "TLoopbackServer.h"
#include "TRateReply.h"
#include "TTrackReply.h"
#include "TUpdateReply.h"
#include "WaitUntil.h"
#include "Windows1250.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using TFields = std::map<QByteArray, QByteArray>;

QString caseFolder(const std::string &name)
{
    return QStringLiteral(SONARO_PROTOCOL_CASES "/") + QString::fromStdString(name);
}

std::vector<std::string> caseNames()
{
    std::vector<std::string> names;
    for (const QString &name : QDir(QStringLiteral(SONARO_PROTOCOL_CASES)).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        names.push_back(name.toStdString());
    return names;
}

QByteArray caseFile(const std::string &name, const char *file)
{
    QFile f(caseFolder(name) + '/' + QLatin1String(file));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name << '/' << file;
    return f.readAll();
}

// "key: value" lines.
TFields fieldsOf(const QByteArray &text)
{
    TFields fields;
    for (const QByteArray &line : text.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            fields[line.left(colon).trimmed()] = line.mid(colon + 1).trimmed();
    }
    return fields;
}

QByteArray value(const TFields &fields, const char *key)
{
    const auto it = fields.find(key);
    return it == fields.end() ? QByteArray() : it->second;
}

// Texts of the call are UTF-8 in the file; the client holds them as Windows-1250.
QByteArray codePage(const QByteArray &utf8)
{
    return Windows1250::encode(QString::fromUtf8(utf8));
}

QByteArray requestAddress(const TFields &call)
{
    const QByteArray kind = value(call, "kind");
    const QByteArray id = codePage(value(call, "id"));
    if (kind == "search")
        return ServiceRequests::Search(codePage(value(call, "text")));
    if (kind == "play")
        return ServiceRequests::Play(id);
    if (kind == "down")
        return ServiceRequests::Download(id);
    if (kind == "add") {
        const QByteArray drop = value(call, "drop");
        return ServiceRequests::Add(id, drop.isEmpty() ? std::nullopt : std::optional<int>(drop.toInt()));
    }
    if (kind == "rate")
        return ServiceRequests::Rate(value(call, "stars").toInt(), id);
    if (kind == "update") {
        const QByteArray clientId = value(call, "client-id");
        return ServiceRequests::Update(clientId.isEmpty() ? -1 : clientId.toInt());
    }
    ADD_FAILURE() << "unknown kind " << kind.toStdString();
    return {};
}

// The request line, the headers the expected request names (in its order),
// an empty line and the body.
QByteArray renderRequest(const TLoopbackRequest &request, const QByteArray &expected)
{
    QByteArray out = request.RequestLine + '\n';
    const QList<QByteArray> lines = expected.split('\n');
    for (qsizetype i = 1; i < lines.size() && !lines[i].isEmpty(); ++i) {
        const QByteArray name = lines[i].left(lines[i].indexOf(':'));
        bool found = false;
        for (const auto &[key, v] : request.Headers)
            if (key == name) {
                out += key + ": " + v + '\n';
                found = true;
            }
        if (!found)
            out += name + " (absent)\n";
    }
    return out + '\n' + request.Body;
}

QByteArray expectedRequest(const std::string &name, const QByteArray &host)
{
    QByteArray text = caseFile(name, "request.txt");
    if (text.endsWith('\n') && !text.endsWith("\n\n"))
        text.chop(1); // the body's line end, which is no part of it
    return text.replace("%HOST", host).replace("%VERSION", ProgramConstants::ClientVersion);
}

QByteArray quoted(const std::string &bytes)
{
    return '"' + Windows1250::decode(QByteArrayView(bytes.data(), qsizetype(bytes.size()))).toUtf8() + '"';
}

// A line of a text field: name: "text".
QByteArray field(const char *name, const std::string &text)
{
    return QByteArray(name) + ": " + quoted(text) + '\n';
}

QByteArray yesNo(bool yes)
{
    return yes ? "yes" : "no";
}

QByteArray render(const TFinderReply &reply)
{
    QByteArray out = "records: " + QByteArray::number(qsizetype(reply.records.size())) + '\n';
    for (const TFinderReply::Record &r : reply.records) {
        out += "record\n";
        out += "  " + field("jmeno", r.name);
        out += "  " + field("interpret", r.artist);
        out += "  " + field("album", r.album);
        out += "  " + field("zanr", r.genre);
        out += "  " + field("cas", r.length);
        out += "  " + field("hodnoceni", r.rating);
        out += "  " + field("cislo", r.trackNumber);
        out += "  " + field("bitrate", r.bitrate);
        out += "  " + field("velikost", r.size);
        out += "  hodmuzu: " + quoted(r.mayRate) + " (may rate: " + yesNo(r.canRate()) + ")\n";
        out += "  " + field("id", r.id);
    }
    return out;
}

QByteArray render(const TRateReply &reply)
{
    return field("rating", reply.rating);
}

QByteArray render(const TTrackReply &reply)
{
    static const char *const actions[] = {"play", "down", "add"};
    QByteArray out = QByteArray("action: ") + actions[int(reply.action)] + '\n';
    out += field("url", reply.url);
    out += field("interpret", reply.artist);
    out += field("jmeno", reply.name);
    out += field("album", reply.album);
    out += field("cas", reply.length);
    out += field("id", reply.id);
    out += "kam: " + (reply.insertAt ? QByteArray::number(*reply.insertAt) : QByteArray("none")) + '\n';
    return out;
}

QByteArray render(const TUpdateReply &reply)
{
    QByteArray out = "kid: " + quoted(reply.clientIdText) + " (" + QByteArray::number(reply.clientId) + ")\n";
    out += "newver: " + yesNo(reply.newVersion) + '\n';
    out += field("verze", reply.version);
    out += "velikost: " + quoted(reply.sizeText) + " ("
         + (reply.size ? QByteArray::number(*reply.size) + " bytes" : QByteArray("no size")) + ")\n";
    out += "jezprava: " + yesNo(reply.hasMessage) + '\n';
    out += field("count", reply.databaseCount);
    out += field("message", reply.message);
    return out;
}

QByteArray render(const TReplyError &error)
{
    static const char *const kinds[] = {"rekNotXml", "rekWrongKind", "rekMissingPart", "rekNotANumber"};
    return QByteArray("error: ") + kinds[int(error.kind)] + ": " + QByteArray::fromStdString(error.message) + '\n';
}

template<class T>
QByteArray render(const TReplyResult<T> &result)
{
    return result ? render(*result) : render(result.error());
}

QByteArray readReply(const QByteArray &kind, const QByteArray &body)
{
    if (kind == "search")
        return render(TFinderReply::Read(body));
    if (kind == "rate")
        return render(TRateReply::Read(body));
    if (kind == "update")
        return render(TUpdateReply::Read(body));
    return render(TTrackReply::Read(body));
}

class ProtocolCase : public ::testing::TestWithParam<std::string>
{
};

} // namespace

TEST_P(ProtocolCase, ClientSendsTheRequestAndReadsTheReply)
{
    const std::string &name = GetParam();
    const TFields call = fieldsOf(caseFile(name, "call.txt"));
    const QByteArray kind = value(call, "kind");
    TLoopbackServer server;
    server.SetReply({TLoopbackServer::Response(caseFile(name, "reply.xml"))});

    // Set up as the main window and the start-up check set up theirs.
    THTTPGet get;
    get.Agent = ProgramConstants::FetcherAgent;
    get.AcceptTypes = "*/*";
    // Once the update check has given a client ID, the other requests carry it.
    const QByteArray clientId = value(call, "client-id");
    if (kind != "update" && !clientId.isEmpty())
        get.PostQuery = ServiceRequests::ClientIdBody(clientId.toInt());
    get.URL = ServiceBase::rebase(requestAddress(call), server.Url("/"));
    std::optional<QByteArray> body;
    bool failed = false;
    QObject::connect(&get, &THTTPGet::OnDoneString, &get, [&](const QByteArray &b) { body = b; });
    QObject::connect(&get, &THTTPGet::OnError, &get, [&] { failed = true; });
    get.GetString();
    ASSERT_TRUE(WaitUntil([&] { return body || failed; }, 10000));

    ASSERT_TRUE(server.WaitForRequests(1, 1000));
    const QByteArray expected = expectedRequest(name, server.Host());
    EXPECT_EQ(renderRequest(server.Requests()[0], expected).toStdString(), expected.toStdString());
    // A reply the fetcher refuses never reaches a reader.
    const QByteArray result = body ? readReply(kind, *body) : QByteArray("request failed\n");
    EXPECT_EQ(result.toStdString(), caseFile(name, "expected.txt").toStdString());
}

INSTANTIATE_TEST_SUITE_P(Service, ProtocolCase, ::testing::ValuesIn(caseNames()),
                         [](const ::testing::TestParamInfo<std::string> &info) {
                             std::string id = info.param;
                             for (char &c : id)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return id;
                         });

TEST(ProtocolCases, CoverEveryRequestKind)
{
    std::set<QByteArray> kinds;
    for (const std::string &name : caseNames()) {
        SCOPED_TRACE(name);
        for (const char *file : {"call.txt", "request.txt", "reply.xml", "expected.txt"})
            EXPECT_TRUE(QFile::exists(caseFolder(name) + '/' + QLatin1String(file))) << file;
        kinds.insert(value(fieldsOf(caseFile(name, "call.txt")), "kind"));
    }
    EXPECT_EQ(kinds, (std::set<QByteArray>{"add", "down", "play", "rate", "search", "update"}));
}
