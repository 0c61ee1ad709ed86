#include "ServiceProcess.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

int connectTcp(const std::string &address, int port, const std::string &source)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (!source.empty()) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        ::inet_pton(AF_INET, source.c_str(), &local.sin_addr);
        if (::bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0) {
            ::close(fd);
            return -1;
        }
    }
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(uint16_t(port));
    ::inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

namespace {

std::string serviceProgram()
{
    const char *binDir = std::getenv("SONARO_BIN_DIR");
    if (!binDir)
        throw std::runtime_error("SONARO_BIN_DIR is not set");
    return std::string(binDir) + "/sonaro-service";
}

} // namespace

ServiceProcess::ServiceProcess(const std::vector<std::string> &args, const std::string &logPath)
    : logPath_(logPath)
    , child_(serviceProgram(), args, logPath, -1, -1, SIGTERM)
{
}

ServiceProcess::~ServiceProcess() = default;

void ServiceProcess::stop()
{
    child_.stop();
}

void ServiceProcess::kill()
{
    child_.kill();
}

bool ServiceProcess::waitUntilListening(const std::string &address, int port, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (!child_.running())
            return false;
        const int fd = connectTcp(address, port);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

int ServiceProcess::waitForExit(std::chrono::milliseconds timeout)
{
    return child_.waitForExit(timeout);
}

std::string ServiceProcess::log() const
{
    return readText(logPath_);
}

std::string rawExchange(const std::string &address, int port, const std::string &request,
                        std::chrono::milliseconds timeout)
{
    const int fd = connectTcp(address, port);
    if (fd < 0)
        return {};
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string reply;
    const auto end = std::chrono::steady_clock::now() + timeout;
    char buffer[8192];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, int(left.count())) <= 0)
            break;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        reply.append(buffer, size_t(n));
    }
    ::close(fd);
    return reply;
}

::testing::AssertionResult startService(std::optional<ServiceProcess> &service, const std::string &address,
                                        const std::string &musicFolder, const std::string &stateFolder)
{
    using namespace std::chrono_literals;
    if (!rawExchange(address, 80, "", 100ms).empty())
        return ::testing::AssertionFailure() << "something already listens on " << address;
    service.emplace(std::vector<std::string>{"--music", musicFolder, "--database", stateFolder + "/db", "--address",
                                             address},
                    stateFolder + "/log");
    if (!service->waitUntilListening(address, 80, 20s))
        return ::testing::AssertionFailure() << service->log();
    return ::testing::AssertionSuccess();
}
