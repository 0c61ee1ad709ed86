#include "Options.h"

#include <charconv>

namespace {

template <typename T>
T number(const std::string &option, const std::string &text, T min, T max)
{
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
        throw OptionsError(option + " expects a number from " + std::to_string(min) + " to "
                           + std::to_string(max) + ", not \"" + text + "\"");
    return value;
}

} // namespace

std::string Options::usage()
{
    return "Usage: sonaro-service --music FOLDER [options]\n"
           "Serves the MP3 files of FOLDER to Sonaro Klient.\n"
           "\n"
           "  -m, --music FOLDER        folder of MP3 files, scanned recursively (required)\n"
           "  -d, --database FILE|URL   store of tracks, client IDs and ratings: an SQLite\n"
           "                            file, or a postgresql:// URL shared by several\n"
           "                            instances (default: sonaro-service.db)\n"
           "  -a, --address ADDRESS     address to listen on (default: 127.0.0.1)\n"
           "  -p, --port PORT           port to listen on (default: 80)\n"
           "  -u, --public-url URL      base address put into track URLs, e.g. http://music.lan/\n"
           "                            (default: the listen address; listening on all\n"
           "                            addresses, the local address each client reached)\n"
           "      --url-from-host       take that base from each request's Host header\n"
           "                            instead (only behind a proxy that checks it)\n"
           "      --accel-prefix PATH   behind nginx: answer file requests with an internal\n"
           "                            redirect to PATH + the file's path in the folder,\n"
           "                            for nginx to send the file itself\n"
           "      --latest-version VER  newest client version; older clients are offered it\n"
           "      --latest-size BYTES   size of that version's installer\n"
           "      --message TEXT        message of the day shown by every client at start\n"
           "      --max-results N       most tracks one search returns (default: 500)\n"
           "      --threads N           requests served at once (default: 32)\n"
           "      --request-timeout S   seconds a connection has, from accept or from its\n"
           "                            last reply, to send a whole request (default: 5)\n"
           "      --max-per-address N   open connections per client address, 0 for no cap\n"
           "                            (default: 64; behind a proxy, 0)\n"
           "      --max-connections N   open connections in all (default: 4096)\n"
           "      --rescan SECONDS      rescan the folder this often (default: 0, only at start)\n"
           "      --tags-cp1250         read tag fields marked Latin-1 as Windows-1250, as\n"
           "                            many older Czech files were written (ID3v1 and\n"
           "                            ID3v2 frames in encoding 0)\n"
           "  -h, --help                show this help\n"
           "      --version             show the version\n";
}

Options Options::parse(const std::vector<std::string> &args)
{
    Options o;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string value;
        bool inlineValue = false;
        if (arg.rfind("--", 0) == 0) {
            const auto eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                inlineValue = true;
            }
        }
        if (arg == "-h" || arg == "--help") {
            o.help = true;
            continue;
        }
        if (arg == "--version") {
            o.version = true;
            continue;
        }
        if (arg == "--url-from-host") {
            o.urlFromHost = true;
            continue;
        }
        if (arg == "--tags-cp1250") {
            o.tagsWindows1250 = true;
            continue;
        }
        const auto next = [&]() -> std::string {
            if (inlineValue)
                return value;
            if (i + 1 >= args.size())
                throw OptionsError(arg + " needs a value");
            return args[++i];
        };
        if (arg == "-m" || arg == "--music")
            o.musicFolder = next();
        else if (arg == "-d" || arg == "--database")
            o.database = next();
        else if (arg == "-a" || arg == "--address")
            o.address = next();
        else if (arg == "-p" || arg == "--port")
            o.port = number(arg, next(), 1, 65535);
        else if (arg == "-u" || arg == "--public-url")
            o.publicUrl = next();
        else if (arg == "--accel-prefix")
            o.accelPrefix = next();
        else if (arg == "--latest-version")
            o.latestVersion = next();
        else if (arg == "--latest-size")
            o.latestSize = number<std::int64_t>(arg, next(), 0, INT32_MAX);
        else if (arg == "--message")
            o.message = next();
        else if (arg == "--max-results")
            o.maxResults = number<size_t>(arg, next(), 1, 100000);
        else if (arg == "--threads")
            o.threads = number(arg, next(), 1, 256);
        else if (arg == "--request-timeout")
            o.requestTimeout = number(arg, next(), 1, 300);
        else if (arg == "--max-per-address")
            o.maxPerAddress = number(arg, next(), 0, 100000);
        else if (arg == "--max-connections")
            o.maxConnections = number(arg, next(), 1, 1000000);
        else if (arg == "--rescan")
            o.rescanSeconds = number(arg, next(), 0, 86400 * 7);
        else
            throw OptionsError("unknown option \"" + arg + "\" (see --help)");
    }
    if (o.help || o.version)
        return o;
    if (o.musicFolder.empty())
        throw OptionsError("no music folder given (--music FOLDER)");
    if (o.address.empty())
        throw OptionsError("--address must not be empty");
    if (!o.accelPrefix.empty() && (o.accelPrefix.front() != '/' || o.accelPrefix.back() != '/'))
        throw OptionsError("--accel-prefix must begin and end with /");
    if (!o.publicUrl.empty()) {
        if (o.publicUrl.rfind("http://", 0) != 0)
            throw OptionsError("--public-url must begin with http:// (the client plays no other)");
        if (o.publicUrl.back() != '/')
            o.publicUrl += '/';
    }
    return o;
}
