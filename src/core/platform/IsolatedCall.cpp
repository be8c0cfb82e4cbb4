#include "core/platform/IsolatedCall.h"

#include <QElapsedTimer>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// The sanitizers reserve terabytes of address space: no address-space limit
// under them (their own allocator limits stand in).
#if defined(__SANITIZE_ADDRESS__)
#define TOLVEK_NO_ADDRESS_LIMIT 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOLVEK_NO_ADDRESS_LIMIT 1
#endif
#endif

// Under the sanitizers: what to do instead of their report's usual ending.
extern "C" void __sanitizer_set_death_callback(void (*callback)(void)) __attribute__((weak));

namespace {

void dieQuietly()
{
    ::_exit(71);
}

bool writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

[[noreturn]] void childMain(int fd, const std::function<bool(QByteArray &)> &work, const IsolatedCall::Limits &limits)
{
    // The program's own handlers (and a fuzzer's or sanitizer's) are not
    // for the child: a fault there simply ends it.
    for (const int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGALRM, SIGTERM, SIGINT})
        ::signal(sig, SIG_DFL);
    if (__sanitizer_set_death_callback)
        __sanitizer_set_death_callback(&dieQuietly);
#ifndef TOLVEK_NO_ADDRESS_LIMIT
    struct rlimit memory;
    memory.rlim_cur = memory.rlim_max = rlim_t(limits.memoryBytes);
    ::setrlimit(RLIMIT_AS, &memory);
#endif
    // A second guard, should the parent be stopped in a debugger.
    ::alarm(unsigned(limits.milliseconds / 1000 + 5));
    QByteArray out;
    const bool ok = work(out);
    // One status byte, then the output.
    const char status = ok ? 1 : 0;
    if (!writeAll(fd, &status, 1) || !writeAll(fd, out.constData(), size_t(out.size())))
        ::_exit(3);
    // No exit handlers, destructors or leak checks of the program's copy.
    ::_exit(0);
}

} // namespace

IsolatedCall::Result IsolatedCall::Run(const std::function<bool(QByteArray &)> &work, const Limits &limits)
{
    Result result;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return result;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return result;
    }
    if (pid == 0) {
        ::close(fds[0]);
        childMain(fds[1], work, limits);
    }
    ::close(fds[1]);

    QElapsedTimer clock;
    clock.start();
    QByteArray received;
    bool timedOut = false;
    bool tooLarge = false;
    char buffer[65536];
    for (;;) {
        const qint64 left = limits.milliseconds - clock.elapsed();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        struct pollfd p = {fds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, int(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            timedOut = true;
            break;
        }
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // the child closed its end: done or dead
        if (received.size() + n > limits.outputBytes + 1) {
            tooLarge = true;
            break;
        }
        received.append(buffer, n);
    }
    ::close(fds[0]);
    if (timedOut || tooLarge)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }

    if (timedOut) {
        result.status = Status::TimedOut;
    } else if (tooLarge) {
        result.status = Status::TooLarge;
    } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || received.isEmpty()) {
        result.status = Status::Crashed;
    } else if (received.at(0) != 1) {
        result.status = Status::Failed;
    } else {
        result.status = Status::Ok;
        result.output = received.mid(1);
    }
    return result;
}
