#pragma once

#include <QTranslator>

// The toolkit's own texts (standard buttons, file dialogs) in Czech, like the
// rest of the user interface. Installed for as long as the object lives.
class CzechTranslations
{
public:
    CzechTranslations();
    ~CzechTranslations();
    CzechTranslations(const CzechTranslations &) = delete;
    CzechTranslations &operator=(const CzechTranslations &) = delete;

    // False when the translations are not installed; the texts stay English.
    bool loaded() const { return m_loaded; }

private:
    QTranslator m_translator;
    bool m_loaded = false;
};
