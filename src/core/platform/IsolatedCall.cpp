#include "core/platform/IsolatedCall.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

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

// The helper's output pipe; its standard input carries the job's input.
constexpr int OutputFd = 3;

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

// Moves fd above the standard three and the output pipe's place, so that
// placing them in the helper never overwrites one with the other.
int raised(int fd)
{
    if (fd < 0)
        return fd;
    const int high = ::fcntl(fd, F_DUPFD_CLOEXEC, 10);
    ::close(fd);
    return high;
}

void closeAll(std::initializer_list<int> fds)
{
    for (const int fd : fds)
        if (fd >= 0)
            ::close(fd);
}

#ifndef TOLVEK_NO_ADDRESS_LIMIT
qint64 mappedBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readLine().split(' ').value(0).toLongLong() * ::sysconf(_SC_PAGESIZE);
}
#endif

QString findHelper()
{
    const QString self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    // The link's target has no symbolic links: nor may the build folder.
    const QString build = QFileInfo(QStringLiteral(TOLVEK_BUILD_FOLDER)).canonicalFilePath();
    if (!build.isEmpty() && self.startsWith(build + QLatin1Char('/')))
        return build + QStringLiteral("/tolvek-decode");
    return QDir::cleanPath(QFileInfo(self).absolutePath() + QStringLiteral("/" TOLVEK_HELPER_FROM_PROGRAM));
}

} // namespace

QString IsolatedCall::HelperProgram()
{
    static const QString helper = findHelper();
    return helper;
}

IsolatedCall::Result IsolatedCall::Run(const char *job, const QByteArray &input, const Limits &limits)
{
    return RunWith(HelperProgram(), job, input, limits);
}

IsolatedCall::Result IsolatedCall::RunWith(const QString &helper, const char *job, const QByteArray &input,
                                           const Limits &limits)
{
    Result result;
    // The input in memory, read by the helper as its standard input: no
    // pipe to keep fed while the output is read.
    const int in = raised(::memfd_create("tolvek-input", MFD_CLOEXEC));
    if (in < 0)
        return result;
    if (!writeAll(in, input.constData(), size_t(input.size())) || ::lseek(in, 0, SEEK_SET) != 0) {
        ::close(in);
        return result;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        ::close(in);
        return result;
    }
    fds[0] = raised(fds[0]);
    fds[1] = raised(fds[1]);
    if (fds[0] < 0 || fds[1] < 0) {
        closeAll({in, fds[0], fds[1]});
        return result;
    }

    // Everything the spawned child needs is made before it exists: between
    // spawning and exec it runs nothing but the C library's own steps.
    const QByteArray program = QFile::encodeName(helper);
    const QByteArray memory = QByteArray::number(limits.memoryBytes);
    // A second guard, should this program be stopped in a debugger.
    const QByteArray seconds = QByteArray::number(limits.milliseconds / 1000 + 5);
    char *argv[] = {const_cast<char *>(program.constData()), const_cast<char *>(job),
                    const_cast<char *>(memory.constData()), const_cast<char *>(seconds.constData()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, in, STDIN_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, fds[1], OutputFd);
    ::posix_spawn_file_actions_addclosefrom_np(&actions, OutputFd + 1);
    ::posix_spawnattr_init(&attributes);
    // The program's signal handlers and blocked signals are not the helper's.
    sigset_t none;
    sigset_t all;
    ::sigemptyset(&none);
    ::sigfillset(&all);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setsigdefault(&attributes, &all);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int spawned =
        program.isEmpty() ? ENOENT : ::posix_spawn(&pid, program.constData(), &actions, &attributes, argv, environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attributes);
    closeAll({in, fds[1]});
    if (spawned != 0) {
        ::close(fds[0]);
        return result;
    }

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
            break; // the helper closed its end: done or dead
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

int IsolatedCall::Serve(int argc, char **argv, std::span<const Job> jobs)
{
    if (argc != 4)
        return 2;
    Work work = nullptr;
    for (const Job &job : jobs)
        if (std::strcmp(job.name, argv[1]) == 0)
            work = job.work;
    if (!work)
        return 2;
    // A fault of the library simply ends the helper, also under a sanitizer.
    if (__sanitizer_set_death_callback)
        __sanitizer_set_death_callback(&dieQuietly);
#ifndef TOLVEK_NO_ADDRESS_LIMIT
    struct rlimit memory;
    memory.rlim_cur = memory.rlim_max = rlim_t(mappedBytes() + std::strtoll(argv[2], nullptr, 10));
    ::setrlimit(RLIMIT_AS, &memory);
#endif
    ::alarm(unsigned(std::strtoul(argv[3], nullptr, 10)));

    QByteArray input;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ::_exit(3);
        if (n == 0)
            break;
        input.append(buffer, n);
    }
    QByteArray out;
    const bool ok = work(input, out);
    // One status byte, then the output.
    const char status = ok ? 1 : 0;
    if (!writeAll(OutputFd, &status, 1) || !writeAll(OutputFd, out.constData(), size_t(out.size())))
        ::_exit(3);
    // No exit handlers, destructors or leak checks: the answer is sent.
    ::_exit(0);
}
