#include "TestMedia.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QtDebug>

namespace TestMedia {

namespace {

bool run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning() << program << args << process.readAllStandardError();
        return false;
    }
    return true;
}

} // namespace

QByteArray mp3(double seconds, int rate, int channels, int kbps, const QStringList &lameExtra)
{
    static QTemporaryDir dir;
    static int counter = 0;
    const QString wav = dir.filePath(QStringLiteral("tone%1.wav").arg(counter));
    const QString out = dir.filePath(QStringLiteral("tone%1.mp3").arg(counter++));
    if (!run(QStringLiteral("sox"), {"-n", "-r", QString::number(rate), "-c", QString::number(channels), "-b", "16",
                                     wav, "synth", QString::number(seconds), "sine", "440", "vol", "0.5"}))
        return {};
    QStringList args{"--quiet", "--cbr", "-b", QString::number(kbps)};
    args << lameExtra << wav << out;
    if (!run(QStringLiteral("lame"), args))
        return {};
    QFile file(out);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace TestMedia
