#include "SearchFlow.h"

#include "MainState.h"
#include "Prompts.h"
#include "ResultsModel.h"
#include "ServiceBase.h"
#include "ServiceRequests.h"
#include "TFinderReply.h"
#include "THTTPGet.h"
#include "Windows1250.h"

SearchFlow::SearchFlow(THTTPGet &fetcher, ResultsModel &model, MainState &state, Prompts &prompts,
                       std::function<void(const QString &)> setStatus)
    : m_fetcher(fetcher)
    , m_model(model)
    , m_state(state)
    , m_prompts(prompts)
    , m_setStatus(std::move(setStatus))
    , m_listener(fetcher, [this](const QByteArray &body) { onDoneString(body); }, [this] { onError(); })
{
}

QString SearchFlow::failureText()
{
    return QStringLiteral("Při dotazu na server došlo k chybě. ");
}

void SearchFlow::search(const QString &text)
{
    if (text.isEmpty())
        return;
    m_fetcher.Abort();
    m_fetcher.URL = ServiceBase::rebase(ServiceRequests::Search(Windows1250::encode(text)), m_serviceBase);
    m_fetcher.GetString();
    m_setStatus(QStringLiteral("Hledám..."));
    m_model.clear();
}

namespace {

QByteArray bytes(const std::string &text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void SearchFlow::onDoneString(const QByteArray &body)
{
    const TReplyResult<TFinderReply> reply = TFinderReply::Read(body);
    if (!reply) {
        if (reply.error().kind == TReplyErrorKind::rekWrongKind)
            return; // the status keeps "Hledám..."
        // Not XML, or records that are not records: as good as no answer.
        onError();
        return;
    }
    std::vector<ResultRow> rows;
    rows.reserve(reply->records.size());
    for (const TFinderReply::Record &rec : reply->records) {
        ResultRow row;
        row.cells = {bytes(rec.name), bytes(rec.artist), bytes(rec.album), bytes(rec.genre),
                     bytes(rec.length), bytes(rec.rating), bytes(rec.trackNumber), bytes(rec.bitrate),
                     bytes(rec.size), bytes(rec.id), bytes(rec.mayRate)};
        rows.push_back(std::move(row));
    }
    showRecords(std::move(rows));
}

void SearchFlow::showRecords(std::vector<ResultRow> records)
{
    m_state.ResultCount = static_cast<int>(records.size());
    if (!records.empty()) {
        // Rows arrive in reply order; the old sort marks no longer describe them.
        m_model.clearHeaderMarks();
        m_state.SortColumn = -1;
        if (!m_state.PlayingFromPlaylist) {
            for (ResultRow &row : records)
                row.nowPlaying = Windows1250::decode(row.trackId()) == m_state.CurrentTrackId;
        }
        m_model.appendRows(std::move(records));
    }
    m_setStatus(QStringLiteral("Nalezeno %1 MP3").arg(m_state.ResultCount));
}

void SearchFlow::onError()
{
    m_prompts.message(failureText());
    m_setStatus(QStringLiteral("Došlo k chybě"));
}

void SearchFlow::sortByColumn(int column)
{
    m_model.headerClicked(column, m_state.SortColumn, m_state.SortDescending);
}
