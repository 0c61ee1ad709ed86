#include "SignalCloser.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Written by the signal handler, set once before the handlers are installed.
volatile sig_atomic_t g_writeFd = -1;

extern "C" void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    // Async-signal-safe: one write to a non-blocking pipe, result ignored.
    [[maybe_unused]] const ssize_t n = ::write(g_writeFd, &byte, 1);
    errno = saved;
}

} // namespace

SignalCloser::SignalCloser(QObject *parent) : QObject(parent)
{
    if (::pipe2(m_fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // without the pipe the signals keep their default action
    g_writeFd = m_fds[1];
    m_notifier = new QSocketNotifier(m_fds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalCloser::drain);

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

SignalCloser::~SignalCloser()
{
    if (m_fds[0] < 0)
        return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    g_writeFd = -1;
    ::close(m_fds[0]);
    ::close(m_fds[1]);
}

void SignalCloser::drain()
{
    char buffer[64];
    while (::read(m_fds[0], buffer, sizeof buffer) > 0) {
    }
    emit received();
}
