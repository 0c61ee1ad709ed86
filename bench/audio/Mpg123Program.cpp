#include "Mpg123Program.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

double mpg123ProgramCpu(const QString &url)
{
    const std::string u = url.toStdString();
    std::fflush(stdout); // the child must not print this process's buffered lines again
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execlp("mpg123", "mpg123", "-q", "-s", u.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    rusage usage{};
    int status = 0;
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
         + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
