#include "MprisRoot.h"

#include "MprisService.h"
#include "ProgramConstants.h"

MprisRoot::MprisRoot(MprisService &service) : QDBusAbstractAdaptor(&service), m_service(service) {}

QString MprisRoot::Identity() const
{
    return QString::fromLatin1(ProgramConstants::ApplicationTitle);
}

QString MprisRoot::DesktopEntry() const
{
    return QStringLiteral("io.github.sonaro.Klient");
}

void MprisRoot::Raise()
{
    m_service.raise();
}

void MprisRoot::Quit()
{
    m_service.quit();
}
