#include "ServiceProcess.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/wait.h>
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

ServiceProcess::ServiceProcess(const std::vector<std::string> &args, const std::string &logPath)
    : logPath_(logPath)
{
    const char *binDir = std::getenv("SONARO_BIN_DIR");
    if (!binDir)
        throw std::runtime_error("SONARO_BIN_DIR is not set");
    const std::string program = std::string(binDir) + "/sonaro-service";
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char *> cargv;
    for (std::string &a : argv)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);

    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (log < 0)
        throw std::runtime_error("cannot open " + logPath);
    pid_ = ::fork();
    if (pid_ == 0) {
        // A test that dies must not leave its service holding the address.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::dup2(log, 1);
        ::dup2(log, 2);
        ::execv(program.c_str(), cargv.data());
        ::_exit(127);
    }
    ::close(log);
    if (pid_ < 0)
        throw std::runtime_error("cannot start " + program);
}

ServiceProcess::~ServiceProcess()
{
    stop();
}

void ServiceProcess::stop()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    if (waitForExit(std::chrono::seconds(10)) == -1 && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

void ServiceProcess::kill()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

bool ServiceProcess::waitUntilListening(const std::string &address, int port, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (pid_ <= 0 || ::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
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
    if (pid_ <= 0)
        return -1;
    const auto end = std::chrono::steady_clock::now() + timeout;
    do {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < end);
    return -1;
}

std::string ServiceProcess::log() const
{
    std::ifstream in(logPath_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
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
