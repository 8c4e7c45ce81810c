#include "shell/TerminationSignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace shell {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// Read by the handler: only lock-free atomic values.
volatile std::sig_atomic_t g_writeEnd = -1;
volatile std::sig_atomic_t g_received = 0;

// Async-signal-safe: a write, sigaction and raise, nothing else.
extern "C" void OnTerminationSignal(int signo)
{
    if (g_received != 0) {
        // Asked again while closing: the default action, once this handler
        // returns (the signal is blocked until then).
        struct sigaction dfl { };
        dfl.sa_handler = SIG_DFL;
        ::sigemptyset(&dfl.sa_mask);
        ::sigaction(signo, &dfl, nullptr);
        ::raise(signo);
        return;
    }
    g_received = signo;
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signo);
    [[maybe_unused]] const ssize_t written = ::write(g_writeEnd, &byte, 1);
    errno = saved;
}

}   // namespace

CTerminationSignals::CTerminationSignals(QObject* parent) : QObject(parent)
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_pipe[0] = m_pipe[1] = -1;
        return;
    }
    g_received = 0;
    g_writeEnd = m_pipe[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &CTerminationSignals::ReadPipe);
    struct sigaction action { };
    action.sa_handler = OnTerminationSignal;
    ::sigemptyset(&action.sa_mask);
    // While one runs the others wait, so a second is always seen as one.
    for (const int signo : kSignals)
        ::sigaddset(&action.sa_mask, signo);
    action.sa_flags = SA_RESTART;
    m_installed = true;
    for (const int signo : kSignals)
        m_installed = ::sigaction(signo, &action, nullptr) == 0 && m_installed;
}

CTerminationSignals::~CTerminationSignals()
{
    struct sigaction dfl { };
    dfl.sa_handler = SIG_DFL;
    ::sigemptyset(&dfl.sa_mask);
    if (g_writeEnd == m_pipe[1] && m_pipe[1] >= 0) {
        for (const int signo : kSignals)
            ::sigaction(signo, &dfl, nullptr);
        g_writeEnd = -1;
    }
    m_notifier.reset();
    for (const int fd : m_pipe)
        if (fd >= 0)
            ::close(fd);
}

const char* CTerminationSignals::SignalName(int signo)
{
    switch (signo) {
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    case SIGINT: return "SIGINT";
    default: return "a signal";
    }
}

void CTerminationSignals::ReadPipe()
{
    unsigned char bytes[16];
    ssize_t n = 0;
    while ((n = ::read(m_pipe[0], bytes, sizeof bytes)) > 0)
        for (ssize_t i = 0; i < n; ++i)
            emit terminationRequested(bytes[i]);
}

}   // namespace shell
