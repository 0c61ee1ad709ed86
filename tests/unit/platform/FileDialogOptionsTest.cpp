#include "FileDialogOptions.h"

#include <gtest/gtest.h>

TEST(FileDialogOptions, FolderOfTheLastFileName)
{
    FileDialogOptions o;
    EXPECT_EQ(o.folder(), ""); // never used
    o.fileName = "Playlist";   // an initial bare name has no folder
    EXPECT_EQ(o.folder(), "");
    o.fileName = "/home/eva/Hudba/a.mp3";
    EXPECT_EQ(o.folder(), "/home/eva/Hudba");
    o.fileName = "/a.mp3";
    EXPECT_EQ(o.folder(), "/");
}

TEST(FileDialogOptions, FilterBecomesTheToolkitForm)
{
    EXPECT_EQ(FileDialogOptions::toQtFilter("MP3 (*.mp3)|*.mp3"), "MP3 (*.mp3)");
    EXPECT_EQ(FileDialogOptions::toQtFilter("Sonaro Klient playlist (*.kpl)|*.kpl"), "Sonaro Klient playlist (*.kpl)");
    EXPECT_EQ(FileDialogOptions::toQtFilter("Hudba|*.mp3;*.ogg|Vše (*.*)|*.*"), "Hudba (*.mp3 *.ogg);;Vše (*.*)");
    EXPECT_EQ(FileDialogOptions::toQtFilter("Old (x)|*.x"), "Old (x) (*.x)");
    EXPECT_EQ(FileDialogOptions::toQtFilter(""), "");
}
