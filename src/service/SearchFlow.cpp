#include "SearchFlow.h"

#include "MainState.h"
#include "Prompts.h"
#include "ResultsModel.h"
#include "ServiceReplies.h"
#include "ServiceRequests.h"
#include "THTTPGet.h"
#include "Windows1250.h"

SearchFlow::SearchFlow(THTTPGet &fetcher, ResultsModel &model, MainState &state, Prompts &prompts,
                       std::function<void(const QString &)> setStatus)
    : m_fetcher(fetcher)
    , m_model(model)
    , m_state(state)
    , m_prompts(prompts)
    , m_setStatus(std::move(setStatus))
{
    m_fetcher.OnDoneString = [this](const QByteArray &body) { onDoneString(body); };
    m_fetcher.OnError = [this] { onError(); };
}

SearchFlow::~SearchFlow()
{
    m_fetcher.OnDoneString = nullptr;
    m_fetcher.OnError = nullptr;
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
    m_fetcher.URL = ServiceRequests::search(Windows1250::encode(text));
    m_fetcher.GetString();
    m_setStatus(QStringLiteral("Hledám..."));
    m_model.clear();
}

void SearchFlow::onDoneString(const QByteArray &body)
{
    const ServiceReplies::Outcome<std::vector<ResultRow>> reply = ServiceReplies::readFinder(body);
    switch (reply.status) {
    case ServiceReplies::Status::WrongKind:
        return; // the status keeps "Hledám..."
    case ServiceReplies::Status::Malformed:
        // Not XML at all: as good as no answer.
        onError();
        return;
    case ServiceReplies::Status::Ok:
        showRecords(std::move(*reply.value));
        return;
    }
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
