#pragma once

#include <csignal>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "TLoopbackServer.h"

// CPU seconds of this process (all its threads).
inline double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

inline double wallSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Serves one body from a child process, so the server's own work is not
// counted in this process's CPU time.
class ServerProcess {
public:
    ServerProcess(const std::string &path, const std::string &body)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            TLoopbackServer server;
            TLoopbackReply reply;
            reply.Status = 200;
            reply.Bytes = QByteArray::fromStdString(body);
            server.Route(QByteArray::fromStdString(path), reply);
            const std::string url = server.Url(QByteArray::fromStdString(path)).toStdString();
            (void)!write(fds[1], url.data(), url.size());
            close(fds[1]);
            pause();
            _exit(0);
        }
        close(fds[1]);
        char buf[256];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        close(fds[0]);
        if (n > 0)
            url_.assign(buf, size_t(n));
    }
    ~ServerProcess()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string &url() const { return url_; }

private:
    pid_t pid_ = -1;
    std::string url_;
};

// An MP3 of the given length and bit rate, made with lame from generated PCM.
std::string makeMp3(int seconds, int kbps = 128);
