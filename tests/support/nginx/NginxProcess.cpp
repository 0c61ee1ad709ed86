#include "NginxProcess.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char **environ;

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A dropped handshake must not hold the caller for the kernel's two-minute
// connect timeout, so the connect is given 200 ms.
bool Listening()
{
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (s < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(80);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = ::connect(s, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    if (!ok && errno == EINPROGRESS) {
        pollfd p{s, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        ok = ::poll(&p, 1, 200) == 1 && ::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    ::close(s);
    return ok;
}

QString NginxBinary()
{
    return QStandardPaths::findExecutable(QStringLiteral("nginx"),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
}

} // namespace

NginxProcess::NginxProcess(const QString &dir, const QByteArray &rate)
    : FDir(dir)
{
    QDir().mkpath(dir + QStringLiteral("/www/slow"));
    QDir().mkpath(dir + QStringLiteral("/tmp"));
    const QString conf = QStringLiteral(
        "daemon off; master_process off; worker_processes 1;\n"
        "error_log %1/error.log; pid %1/nginx.pid;\n"
        "events { worker_connections 64; }\n"
        "http {\n"
        "  log_format ranges '$status \"$http_range\" \"$http_if_range\" $body_bytes_sent';\n"
        "  access_log %1/access.log ranges;\n"
        "  client_body_temp_path %1/tmp; proxy_temp_path %1/tmp; fastcgi_temp_path %1/tmp;\n"
        "  uwsgi_temp_path %1/tmp; scgi_temp_path %1/tmp;\n"
        "  server { listen 127.0.0.1:80; root %1/www; limit_rate %2;\n"
        "           location /slow/ { limit_rate 2m; } }\n"
        "}\n")
                             .arg(dir, QString::fromLatin1(rate));
    QFile f(dir + QStringLiteral("/nginx.conf"));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(conf.toUtf8());
}

NginxProcess::~NginxProcess()
{
    Kill();
}

bool NginxProcess::Start()
{
    if (FPid > 0)
        return true;
    const std::string binary = NginxBinary().toStdString();
    const std::string prefix = FDir.toStdString();
    const std::string conf = prefix + "/nginx.conf";
    const char *argv[] = {binary.c_str(), "-p", prefix.c_str(), "-c", conf.c_str(), nullptr};
    if (binary.empty()
        || ::posix_spawn(&FPid, binary.c_str(), nullptr, nullptr, const_cast<char **>(argv), environ) != 0) {
        FPid = -1;
        return false;
    }
    for (int i = 0; i < 500; ++i) {
        if (Listening())
            return true;
        if (::waitpid(FPid, nullptr, WNOHANG) == FPid) { // it gave up (see the error log)
            FPid = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void NginxProcess::Kill()
{
    if (FPid <= 0)
        return;
    ::kill(FPid, SIGKILL);
    ::waitpid(FPid, nullptr, 0);
    FPid = -1;
}

QList<QByteArray> NginxProcess::Log() const
{
    QList<QByteArray> lines = ReadAll(FDir + QStringLiteral("/access.log")).split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

QByteArray NginxProcess::ErrorLog() const
{
    return ReadAll(FDir + QStringLiteral("/error.log"));
}

QString NginxProcess::EnterPrivateNetwork()
{
    if (NginxBinary().isEmpty())
        return QStringLiteral("nginx is not installed");
    if (::unshare(CLONE_NEWNET) != 0)
        return QStringLiteral("cannot make a network namespace (needs root): ") + QString::fromLocal8Bit(std::strerror(errno));
    if (!Shell("ip link set lo up"))
        return QStringLiteral("cannot bring up loopback in the new namespace (ip from iproute2 missing?)");
    return {};
}

bool NginxProcess::Shell(const QByteArray &command)
{
    return std::system((command + " >/dev/null 2>&1").constData()) == 0;
}
