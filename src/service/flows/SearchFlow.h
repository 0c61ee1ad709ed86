#pragma once

#include "FetcherListener.h"
#include "ResultRow.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

class Prompts;
class ResultsModel;
class THTTPGet;
struct MainState;

// The search command and the finder reply: sends the search text, fills the
// results list in reply order, keeps the status text and the list's sort state.
class SearchFlow
{
public:
    SearchFlow(THTTPGet &fetcher, ResultsModel &model, MainState &state, Prompts &prompts,
               std::function<void(const QString &)> setStatus);

    SearchFlow(const SearchFlow &) = delete;
    SearchFlow &operator=(const SearchFlow &) = delete;

    // The button, Enter in the search box and the repeated search at start.
    void search(const QString &text);

    void onDoneString(const QByteArray &body);
    void onError();
    // A finder reply's records, in reply order.
    void showRecords(std::vector<ResultRow> records);

    // A click on a header column.
    void sortByColumn(int column);

    // Requests go to this service address instead of the installation's one.
    void setServiceBase(const QByteArray &base) { m_serviceBase = base; }

    static QString failureText(); // "Při dotazu na server došlo k chybě. "

private:
    THTTPGet &m_fetcher;
    ResultsModel &m_model;
    MainState &m_state;
    Prompts &m_prompts;
    std::function<void(const QString &)> m_setStatus;
    QByteArray m_serviceBase;
    // Last, so that it is cut before what its calls use goes.
    FetcherListener m_listener;
};
