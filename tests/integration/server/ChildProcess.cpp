#include "ChildProcess.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

ChildProcess::ChildProcess(const std::string &program, const std::vector<std::string> &args,
                           const std::string &logPath, int uid, int gid, int stopSignal)
    : stopSignal_(stopSignal)
{
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char *> cargv;
    for (std::string &a : argv)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (log < 0)
        throw std::runtime_error("cannot open " + logPath);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::setpgid(0, 0);
        if (gid >= 0 && (::setgroups(0, nullptr) != 0 || ::setgid(gid_t(gid)) != 0))
            ::_exit(126);
        if (uid >= 0 && ::setuid(uid_t(uid)) != 0)
            ::_exit(126);
        // After the change of user, which clears it: dies with the test.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::dup2(log, 1);
        ::dup2(log, 2);
        ::execv(program.c_str(), cargv.data());
        ::_exit(127);
    }
    ::close(log);
    if (pid_ < 0)
        throw std::runtime_error("cannot start " + program);
}

ChildProcess::~ChildProcess()
{
    stop();
}

bool ChildProcess::running()
{
    if (pid_ <= 0)
        return false;
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

int ChildProcess::waitForExit(std::chrono::milliseconds timeout)
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
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < end);
    return -1;
}

void ChildProcess::stop()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, stopSignal_);
    if (waitForExit(std::chrono::seconds(10)) == -1 && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

void ChildProcess::kill()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

int runProgram(const std::string &program, const std::vector<std::string> &args, const std::string &logPath, int uid,
               int gid, std::chrono::milliseconds timeout)
{
    ChildProcess p(program, args, logPath, uid, gid);
    const int code = p.waitForExit(timeout);
    return code;
}

std::string findProgram(const std::string &name, const std::vector<std::string> &extraFolders)
{
    std::vector<std::string> folders;
    if (const char *path = std::getenv("PATH")) {
        std::stringstream s(path);
        for (std::string part; std::getline(s, part, ':');)
            folders.push_back(part);
    }
    folders.insert(folders.end(), extraFolders.begin(), extraFolders.end());
    for (const std::string &folder : folders) {
        const std::string candidate = folder + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

std::string readText(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
