#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <sys/types.h>

// One nginx process (no master, so a kill ends every connection at once)
// serving Www() on 127.0.0.1:80, for tests and benches that run in a network
// namespace of their own. /slow/ is sent at 2 MB/s, the rest at the rate
// given. The access log has one line per finished request:
//   <status> "<Range>" "<If-Range>" <body bytes sent>
class NginxProcess
{
public:
    // dir holds the configuration, logs and the served folder www/.
    explicit NginxProcess(const QString &dir, const QByteArray &rate = "12m");
    ~NginxProcess();
    NginxProcess(const NginxProcess &) = delete;
    NginxProcess &operator=(const NginxProcess &) = delete;

    QString Www() const { return FDir + QStringLiteral("/www"); }
    // Starts it and waits (up to 5 s) until it accepts connections.
    bool Start();
    // SIGKILL, as a crash: the connections die with the process.
    void Kill();
    QList<QByteArray> Log() const;
    QByteArray ErrorLog() const;

    // Moves the calling thread (and the threads and processes it makes
    // later) into a new network namespace with loopback up. Returns why that
    // failed; empty on success.
    static QString EnterPrivateNetwork();
    // Runs a shell command quietly; true when it exited with 0.
    static bool Shell(const QByteArray &command);

private:
    QString FDir;
    pid_t FPid = -1;
};
