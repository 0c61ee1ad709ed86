#pragma once

#include "FetcherListener.h"

#include <QByteArray>

class Prompts;
class ResultsModel;
class THTTPGet;
struct MainState;

// The ten star commands and the rating reply. The reply is applied by row
// index (`RatedRow`), so a list re-sorted or refilled in between gets the text
// on whatever row now has that index.
class RatingFlow
{
public:
    RatingFlow(THTTPGet &fetcher, ResultsModel &model, MainState &state, Prompts &prompts);

    RatingFlow(const RatingFlow &) = delete;
    RatingFlow &operator=(const RatingFlow &) = delete;

    // selectedRow -1: nothing selected, nothing sent. stars 1..5.
    void rate(int stars, int selectedRow);

    void onDoneString(const QByteArray &body);
    void onError();
    // The new rating text of a rating reply.
    void applyRating(const QByteArray &ratingText);

    // Requests go to this service address instead of the installation's one.
    void setServiceBase(const QByteArray &base) { m_serviceBase = base; }

private:
    THTTPGet &m_fetcher;
    ResultsModel &m_model;
    MainState &m_state;
    Prompts &m_prompts;
    QByteArray m_serviceBase;
    // Last, so that it is cut before what its calls use goes.
    FetcherListener m_listener;
};
