#include "NginxFront.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <regex>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

bool accepts(const std::string &address, int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(uint16_t(port));
    ::inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) == 0;
    ::close(fd);
    return ok;
}

} // namespace

int freePort(const std::string &address)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    ::inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
    socklen_t len = sizeof sa;
    int port = -1;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&sa), &len) == 0)
        port = ntohs(sa.sin_port);
    ::close(fd);
    return port;
}

NginxFront::NginxFront(const std::string &address, int port, const std::vector<std::string> &upstreams,
                       const std::string &musicFolder, const std::string &folder)
    : folder_(folder)
{
    std::filesystem::create_directories(folder);
    const std::string nginx = findProgram("nginx", {"/usr/sbin", "/sbin"});
    if (nginx.empty()) {
        missing_ = true;
        problem_ = "nginx is not installed (Debian package nginx, see scripts/packages/server.txt)";
        return;
    }
    const char *source = std::getenv("SONARO_SOURCE_DIR");
    std::string site = readText(std::string(source ? source : ".") + "/packaging/sonaro-service.nginx");
    if (site.find("upstream sonaro_service") == std::string::npos) {
        problem_ = "the shipped nginx site was not found (SONARO_SOURCE_DIR)";
        return;
    }
    std::string servers;
    for (const std::string &u : upstreams)
        servers += "    server " + u + " max_fails=1 fail_timeout=5s;\n";
    // The shipped file with this test's addresses in place of the examples.
    site = std::regex_replace(site, std::regex(R"(( *server 127\.0\.0\.1:808\d[^\n]*\n)+)"), servers);
    site = std::regex_replace(site, std::regex(R"(listen 80;)"),
                              "listen " + address + ":" + std::to_string(port) + ";");
    site = std::regex_replace(site, std::regex(R"(alias /srv/music/;)"), "alias " + musicFolder + "/;");
    std::ofstream(folder + "/site.conf") << site;
    std::ofstream(folder + "/nginx.conf")
        << "daemon off;\n"
           "worker_processes 1;\n"
           "pid " << folder << "/nginx.pid;\n"
           "error_log " << folder << "/error.log warn;\n"
        << (::geteuid() == 0 ? "user root root;\n" : "")
        << "events { worker_connections 4096; }\n"
           "http {\n"
           "  access_log off;\n"
           "  client_body_temp_path " << folder << "/body;\n"
           "  proxy_temp_path " << folder << "/proxy;\n"
           "  fastcgi_temp_path " << folder << "/fastcgi;\n"
           "  uwsgi_temp_path " << folder << "/uwsgi;\n"
           "  scgi_temp_path " << folder << "/scgi;\n"
           "  include " << folder << "/site.conf;\n"
           "}\n";
    nginx_ = std::make_unique<ChildProcess>(
        nginx, std::vector<std::string>{"-p", folder, "-e", folder + "/error.log", "-c", folder + "/nginx.conf"},
        folder + "/stderr.log", -1, -1, SIGTERM);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        if (accepts(address, port))
            return;
        if (!nginx_->running() || std::chrono::steady_clock::now() > end) {
            problem_ = "nginx did not start: " + log();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

NginxFront::~NginxFront()
{
    nginx_.reset();
}

std::string NginxFront::log() const
{
    return readText(folder_ + "/stderr.log") + readText(folder_ + "/error.log");
}
