#include "CzechTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

CzechTranslations::CzechTranslations()
{
    m_loaded = m_translator.load(QStringLiteral("qtbase_cs"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && QCoreApplication::installTranslator(&m_translator);
}

CzechTranslations::~CzechTranslations()
{
    if (m_loaded)
        QCoreApplication::removeTranslator(&m_translator);
}
