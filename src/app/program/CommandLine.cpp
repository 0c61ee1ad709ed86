#include "CommandLine.h"

#include "ProgramConstants.h"

#include <QCommandLineParser>

CommandLine CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Desktop client of the Sonaro MP3 search service."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption server(QStringLiteral("server"),
                                    QStringLiteral("Talk to the search service at <url> (http://host[:port]/) for this run."),
                                    QStringLiteral("url"));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(server);
    parser.addPositionalArgument(QStringLiteral("playlist"), QStringLiteral("A playlist (.kpl) to open."),
                                 QStringLiteral("[playlist.kpl]"));

    CommandLine result;
    const QString program = QStringLiteral("sonaro-klient");
    // Help and version win over a bad argument beside them.
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(help)) {
        result.exitNow = true;
        // The toolkit's text names the program after argv[0]; say its real name.
        QString text = parser.helpText();
        const qsizetype usage = text.indexOf(QStringLiteral("Usage: "));
        if (usage >= 0) {
            const qsizetype end = text.indexOf(u' ', usage + 7);
            text.replace(usage + 7, end - usage - 7, program);
        }
        result.output = text;
        return result;
    }
    if (parser.isSet(version)) {
        result.exitNow = true;
        result.output = program + u' ' + QString::fromLatin1(ProgramConstants::ClientVersion) + u'\n';
        return result;
    }
    if (!parsed) {
        result.exitNow = true;
        result.exitCode = 2;
        result.errorOutput = program + QStringLiteral(": ") + parser.errorText() + QStringLiteral("\n");
        return result;
    }
    const QStringList rest = parser.positionalArguments();
    if (rest.size() > 1) {
        result.exitNow = true;
        result.exitCode = 2;
        result.errorOutput = program + QStringLiteral(": one playlist at a time\n");
        return result;
    }
    if (parser.isSet(server))
        result.server = parser.value(server);
    if (!rest.isEmpty())
        result.playlist = rest.first();
    return result;
}
