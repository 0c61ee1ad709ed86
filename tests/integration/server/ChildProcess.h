#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

// A program the test starts itself (PostgreSQL, nginx), optionally as an
// unprivileged user, its output going to a log file. Stopped by its process
// ID with stopSignal (then SIGKILL) when destroyed; it also dies with the test.
class ChildProcess {
public:
    // uid/gid < 0: as the test itself.
    ChildProcess(const std::string &program, const std::vector<std::string> &args, const std::string &logPath,
                 int uid = -1, int gid = -1, int stopSignal = 15);
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    // The exit code, or -1 when it is still running after timeout (or died by a signal).
    int waitForExit(std::chrono::milliseconds timeout);
    void stop();
    // SIGKILL at once, as a crash would end it.
    void kill();

private:
    pid_t pid_ = -1;
    int stopSignal_;
};

// Runs program to its end (at most timeout) as uid/gid; its exit code, -1 on timeout.
int runProgram(const std::string &program, const std::vector<std::string> &args, const std::string &logPath,
               int uid = -1, int gid = -1, std::chrono::milliseconds timeout = std::chrono::seconds(60));

// The full path of a program, searched in PATH and then in extraFolders; empty when none.
std::string findProgram(const std::string &name, const std::vector<std::string> &extraFolders = {});

// The contents of a (log) file.
std::string readText(const std::string &path);
