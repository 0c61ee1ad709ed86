#include "RatingFlow.h"

#include "MainState.h"
#include "Prompts.h"
#include "ResultsModel.h"
#include "SearchFlow.h"
#include "ServiceReplies.h"
#include "ServiceRequests.h"
#include "THTTPGet.h"

RatingFlow::RatingFlow(THTTPGet &fetcher, ResultsModel &model, MainState &state, Prompts &prompts)
    : m_fetcher(fetcher)
    , m_model(model)
    , m_state(state)
    , m_prompts(prompts)
{
    m_fetcher.OnDoneString = [this](const QByteArray &body) { onDoneString(body); };
    m_fetcher.OnError = [this] { onError(); };
}

RatingFlow::~RatingFlow()
{
    m_fetcher.OnDoneString = nullptr;
    m_fetcher.OnError = nullptr;
}

void RatingFlow::rate(int stars, int selectedRow)
{
    if (!m_model.hasRow(selectedRow) || stars < 1 || stars > 5)
        return;
    m_state.RatedRow = selectedRow;
    m_fetcher.Abort();
    m_fetcher.URL = ServiceRequests::rate(stars, m_model.row(selectedRow).trackId());
    m_fetcher.GetString();
}

void RatingFlow::onDoneString(const QByteArray &body)
{
    const ServiceReplies::Outcome<QByteArray> reply = ServiceReplies::readRating(body);
    if (reply.status == ServiceReplies::Status::Ok)
        applyRating(*reply.value);
    else if (reply.status == ServiceReplies::Status::Malformed)
        onError();
}

void RatingFlow::applyRating(const QByteArray &ratingText)
{
    if (!m_model.hasRow(m_state.RatedRow))
        return;
    m_model.setSubItem(m_state.RatedRow, ResultRow::kSubRating, ratingText);
    m_model.setSubItem(m_state.RatedRow, ResultRow::kSubRatingPermission, "false");
}

void RatingFlow::onError()
{
    m_prompts.message(SearchFlow::failureText());
}
