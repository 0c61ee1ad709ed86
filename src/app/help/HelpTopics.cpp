#include "HelpTopics.h"

#include <QFile>

// The resources live in this static library; without a reference the linker
// would drop them from the program.
static void initHelpResources()
{
    Q_INIT_RESOURCE(help);
}

namespace {

struct Topic
{
    const char16_t *name;
    const char *file;
};

constexpr Topic Topics[] = {
    {u"Úvod", "uvod"},
    {u"Novinky", "novinky"},
    {u"Informace o Sonaro", "informace"},
    {u"Rozhraní programu", "rozhrani"},
    {u"Vyhledávání MP3", "vyhledavani"},
    {u"Playlisty", "playlisty"},
    {u"Přehrávání", "prehravani"},
    {u"Stahování", "stahovani"},
    {u"Nastavení", "nastaveni"},
    {u"Automatická aktualizace", "aktualizace"},
};

} // namespace

QStringList HelpTopics::names()
{
    QStringList list;
    for (const Topic &topic : Topics)
        list << QString::fromUtf16(topic.name);
    return list;
}

QByteArray HelpTopics::text(const QString &name)
{
    static const bool initialised = (initHelpResources(), true);
    Q_UNUSED(initialised);
    for (const Topic &topic : Topics) {
        if (name != QString::fromUtf16(topic.name))
            continue;
        QFile file(QStringLiteral(":/help/%1.xml").arg(QLatin1String(topic.file)));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }
    return {};
}
