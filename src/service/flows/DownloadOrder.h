#pragma once

#include <QByteArray>
#include <QString>

// The four inputs a new download window is given.
struct DownloadOrder
{
    QByteArray url;    // DownloadUrl: the file address, Windows-1250 bytes as received
    QString file;      // DownloadFile: the target path, extension ".mp3"
    QString title;     // DownloadTitle: jmeno + " - " + interpret
    QString fullTitle; // DownloadFullTitle: DownloadTitle + " " + album
};
