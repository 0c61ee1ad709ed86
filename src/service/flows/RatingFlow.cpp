#include "RatingFlow.h"

#include "MainState.h"
#include "Prompts.h"
#include "ResultsModel.h"
#include "SearchFlow.h"
#include "ServiceBase.h"
#include "ServiceRequests.h"
#include "TRateReply.h"
#include "THTTPGet.h"

RatingFlow::RatingFlow(THTTPGet &fetcher, ResultsModel &model, MainState &state, Prompts &prompts)
    : m_fetcher(fetcher)
    , m_model(model)
    , m_state(state)
    , m_prompts(prompts)
    , m_listener(fetcher, [this](const QByteArray &body) { onDoneString(body); }, [this] { onError(); })
{
}

void RatingFlow::rate(int stars, int selectedRow)
{
    if (!m_model.hasRow(selectedRow) || stars < 1 || stars > 5)
        return;
    m_state.RatedRow = selectedRow;
    m_fetcher.Abort();
    m_fetcher.URL = ServiceBase::rebase(ServiceRequests::Rate(stars, m_model.row(selectedRow).trackId()), m_serviceBase);
    m_fetcher.GetString();
}

void RatingFlow::onDoneString(const QByteArray &body)
{
    const TReplyResult<TRateReply> reply = TRateReply::Read(body);
    if (reply)
        applyRating(QByteArray(reply->rating.data(), static_cast<qsizetype>(reply->rating.size())));
    else if (reply.error().kind != TReplyErrorKind::rekWrongKind)
        onError(); // not XML, or no rating in it: the rating did not happen as far as we know
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
