#include "PostgresCluster.h"

#include <libpq-fe.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <glob.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kNobody = 65534;
constexpr const char *kPort = "5432";  // names the socket file only

std::string postgresBin()
{
    glob_t g{};
    std::string found;
    if (::glob("/usr/lib/postgresql/*/bin/initdb", 0, nullptr, &g) == 0 && g.gl_pathc > 0)
        found = fs::path(g.gl_pathv[g.gl_pathc - 1]).parent_path().string();
    ::globfree(&g);
    return found;
}

} // namespace

PostgresCluster::PostgresCluster()
{
    const std::string bin = postgresBin();
    if (bin.empty()) {
        missing_ = true;
        problem_ = "PostgreSQL is not installed (Debian package postgresql, see scripts/packages/server.txt)";
        return;
    }
    char pattern[] = "/tmp/sonaro-pg-XXXXXX";
    if (!::mkdtemp(pattern)) {
        problem_ = "cannot make a temporary folder";
        return;
    }
    folder_ = pattern;
    const bool root = ::geteuid() == 0;
    const int uid = root ? kNobody : -1;
    const int gid = root ? kNobody : -1;
    if (root && ::chown(folder_.c_str(), kNobody, kNobody) != 0) {
        problem_ = "cannot hand " + folder_ + " to nobody";
        return;
    }
    const std::string data = folder_ + "/data";
    const std::string log = folder_ + "/log";
    if (runProgram(bin + "/initdb", {"-D", data, "-A", "trust", "-U", "sonaro", "-E", "UTF8", "--no-sync", "--no-locale"},
                   folder_ + "/initdb.log", uid, gid)
        != 0) {
        problem_ = "initdb failed: " + readText(folder_ + "/initdb.log");
        return;
    }
    // Quick and throw-away: nothing need survive a crash.
    server_ = std::make_unique<ChildProcess>(
        bin + "/postgres",
        std::vector<std::string>{"-D", data, "-k", folder_, "-p", kPort, "-c", "listen_addresses=", "-c",
                                 "fsync=off", "-c", "synchronous_commit=off", "-c", "full_page_writes=off", "-c",
                                 "max_connections=100"},
        log, uid, gid, SIGINT);
    const std::string info = conninfo("postgres");
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (PQping(info.c_str()) != PQPING_OK) {
        if (!server_->running() || std::chrono::steady_clock::now() > end) {
            problem_ = "PostgreSQL did not start: " + readText(log);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

PostgresCluster::~PostgresCluster()
{
    server_.reset();
    if (!folder_.empty()) {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
}

std::string PostgresCluster::conninfo(const std::string &database) const
{
    return "host=" + folder_ + " port=" + kPort + " user=sonaro dbname=" + database;
}

std::string PostgresCluster::scalar(const std::string &database, const std::string &sql)
{
    std::unique_ptr<PGconn, void (*)(PGconn *)> conn(PQconnectdb(conninfo(database).c_str()), PQfinish);
    std::unique_ptr<PGresult, void (*)(PGresult *)> r(PQexec(conn.get(), sql.c_str()), PQclear);
    const auto status = PQresultStatus(r.get());
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        return "error: " + std::string(PQerrorMessage(conn.get()));
    return PQntuples(r.get()) > 0 ? PQgetvalue(r.get(), 0, 0) : std::string();
}

std::string PostgresCluster::createDatabase(const std::string &name)
{
    scalar("postgres", "CREATE DATABASE " + name);
    return "postgresql://sonaro@/" + name + "?host=" + folder_ + "&port=" + kPort;
}

std::string PostgresCluster::log() const
{
    return readText(folder_ + "/log");
}
