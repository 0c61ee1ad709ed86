#include "UpdateCheck.h"

#include "ClientIdStore.h"
#include "ConversionError.h"
#include "Conversions.h"
#include "IniFile.h"
#include "MainState.h"
#include "Prompts.h"
#include "ServiceReplies.h"
#include "ServiceRequests.h"
#include "THTTPGet.h"
#include "UpdateTexts.h"
#include "Windows1250.h"

namespace {

std::optional<qint32> toInt(const QByteArray &text)
{
    try {
        return Conversions::StrToInt(text);
    } catch (const ConversionError &) {
        return std::nullopt;
    }
}

} // namespace

UpdateCheck::UpdateCheck(Context context)
    : m_ctx(std::move(context))
{
    m_ctx.fetcher.OnDoneString = [this](const QByteArray &body) { onDoneString(body); };
    m_ctx.fetcher.OnError = [this] { onError(); };
}

UpdateCheck::~UpdateCheck()
{
    m_ctx.fetcher.OnDoneString = nullptr;
    m_ctx.fetcher.OnError = nullptr;
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
    m_ctx.fetcher.URL = ServiceRequests::update(m_ctx.state.ClientId);
    m_ctx.fetcher.GetString();
}

void UpdateCheck::onDoneString(const QByteArray &body)
{
    if (m_finished)
        return;
    const std::optional<Reply> reply = ServiceReplies::readUpdate(body);
    if (!reply) {
        // Not an update reply, or not XML at all: nothing to take over, but
        // nobody else would ever show the main window.
        placeAndClose();
        return;
    }
    handleReply(*reply);
}

void UpdateCheck::handleReply(const Reply &reply)
{
    if (m_finished)
        return;

    // A kid that is not a 32-bit decimal is neither stored nor used: storing it
    // would leave a value that no later start can read.
    if (const std::optional<qint32> kid = toInt(reply.kid)) {
        ClientIdStore::write(m_ctx.keyStore, reply.kid);
        m_ctx.state.ClientId = *kid;
        const QByteArray body = "KID=" + QByteArray::number(m_ctx.state.ClientId);
        for (THTTPGet *fetcher : m_ctx.mainFetchers)
            if (fetcher)
                fetcher->PostQuery = body;
    }

    if (reply.newver == "ano" && m_ctx.settings.readBool(QStringLiteral("Hlavni"), QStringLiteral("AAPouzivat"), true)) {
        // Without a readable size there is no honest offer to make.
        if (const std::optional<qint32> size = toInt(reply.velikost)) {
            const QString question = UpdateTexts::offerQuestion(
                Windows1250::decode(reply.verze), UpdateTexts::sizeText(*size, m_ctx.decimalPoint));
            if (m_ctx.prompts.confirm(question)) {
                if (m_ctx.startUpdater && m_ctx.startUpdater())
                    if (m_ctx.quitApplication) m_ctx.quitApplication();
                else
                    m_ctx.prompts.error(updaterMissingText());
            }
        }
    }

    if (reply.jezprava == "ano" && reply.message)
        m_ctx.prompts.message(Windows1250::decode(*reply.message));

    if (reply.count) {
        const QString countText = UpdateTexts::databaseCountText(Windows1250::decode(*reply.count));
        m_ctx.setMainStatus(countText);
        m_ctx.state.DatabaseCountText = countText;
    }

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
