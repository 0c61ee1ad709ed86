#include "UpdateCheck.h"

#include "ClientIdStore.h"
#include "IniFile.h"
#include "MainState.h"
#include "Prompts.h"
#include "ServiceBase.h"
#include "ServiceRequests.h"
#include "TUpdateReply.h"
#include "THTTPGet.h"
#include "UpdateTexts.h"
#include "Windows1250.h"

namespace {

QByteArray bytes(const std::string &text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

UpdateCheck::UpdateCheck(Context context)
    : m_ctx(std::move(context))
    , m_listener(m_ctx.fetcher, [this](const QByteArray &body) { onDoneString(body); }, [this] { onError(); })
{
}

QString UpdateCheck::updaterMissingText()
{
    return QStringLiteral("Program pro aktualizaci (update) nelze spustit. "
                          "Sonaro Klient poběží dál ve stávající verzi.");
}

void UpdateCheck::start()
{
    m_ctx.fetcher.Abort();
    m_ctx.fetcher.PostQuery.clear();
    // The registry only ever holds a 32-bit ID, so the narrowing is exact.
    m_ctx.fetcher.URL = ServiceBase::rebase(ServiceRequests::Update(static_cast<int>(m_ctx.state.ClientId)),
                                            m_ctx.serviceBase);
    m_ctx.fetcher.GetString();
}

void UpdateCheck::onDoneString(const QByteArray &body)
{
    if (m_finished)
        return;
    const TReplyResult<TUpdateReply> reply = TUpdateReply::Read(body);
    if (reply) {
        handleReply(*reply);
    } else if (reply.error().kind == TReplyErrorKind::rekWrongKind) {
        // Not ours to read; but nobody else would ever show the main window.
        placeAndClose();
    } else {
        // Not XML, no client ID, no count: the check failed as surely as a
        // lost connection, and nothing of it is taken over.
        onError();
    }
}

void UpdateCheck::handleReply(const TUpdateReply &reply)
{
    if (m_finished)
        return;

    ClientIdStore::write(m_ctx.keyStore, bytes(reply.clientIdText));
    m_ctx.state.ClientId = reply.clientId;
    for (THTTPGet *fetcher : m_ctx.mainFetchers)
        if (fetcher)
            fetcher->PostQuery = ServiceRequests::ClientIdBody(reply.clientId);

    // Without a readable size there is no honest offer to make.
    if (reply.newVersion && reply.size
        && m_ctx.settings.readBool(QStringLiteral("Hlavni"), QStringLiteral("AAPouzivat"), true)) {
        const QString question = UpdateTexts::offerQuestion(Windows1250::decode(bytes(reply.version)),
                                                            UpdateTexts::sizeText(*reply.size, m_ctx.decimalPoint));
        if (m_ctx.prompts.confirm(question)) {
            if (m_ctx.startUpdater && m_ctx.startUpdater()) {
                if (m_ctx.quitApplication)
                    m_ctx.quitApplication();
            } else {
                m_ctx.prompts.error(updaterMissingText());
            }
        }
    }

    if (reply.hasMessage)
        m_ctx.prompts.message(Windows1250::decode(bytes(reply.message)));

    const QString countText = UpdateTexts::databaseCountText(Windows1250::decode(bytes(reply.databaseCount)));
    m_ctx.setMainStatus(countText);
    m_ctx.state.DatabaseCountText = countText;

    placeAndClose();
}

void UpdateCheck::onError()
{
    if (m_finished)
        return;
    m_ctx.prompts.message(QStringLiteral("Při dotazu na server došlo k chybě."));
    m_ctx.setMainStatus(QStringLiteral("Došlo k chybě"));
    placeAndClose();
}

void UpdateCheck::placeAndClose()
{
    m_finished = true;
    const int top = m_ctx.settings.readInteger(QStringLiteral("Okno"), QStringLiteral("Top"), -1);
    const int left = m_ctx.settings.readInteger(QStringLiteral("Okno"), QStringLiteral("Left"), -1);
    m_ctx.placeMainWindow(top, left);
    m_ctx.closeWindow();
}
