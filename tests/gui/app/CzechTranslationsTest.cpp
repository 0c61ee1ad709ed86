#include "CzechTranslations.h"

#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

TEST(CzechTranslations, StandardButtonsSpeakCzechWhileInstalled)
{
    {
        const CzechTranslations translations;
        ASSERT_TRUE(translations.loaded()) << "qt6-translations-l10n missing";
        QMessageBox box(QMessageBox::Question, "Sonaro Klient", "Přepsat?", QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(u'&'), "Ano");
        EXPECT_EQ(box.button(QMessageBox::No)->text().remove(u'&'), "Ne");
    }
    QMessageBox box(QMessageBox::Question, "", "", QMessageBox::Yes);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(u'&'), "Yes");
}
