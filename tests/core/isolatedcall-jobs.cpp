// tst_isolatedcall's own helper program: jobs that succeed, fail, crash,
// hang, ask for too much memory or send too much.

#include "IsolatedCallJobs.h"
#include "core/platform/IsolatedCall.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

bool Echo(const QByteArray &in, QByteArray &out)
{
    out = "begin" + in + "end";
    return true;
}

bool Fail(const QByteArray &, QByteArray &out)
{
    out = "half";
    return false;
}

bool Segv(const QByteArray &, QByteArray &)
{
    std::raise(SIGSEGV);
    return true;
}

bool Abort(const QByteArray &, QByteArray &)
{
    std::abort();
}

bool Exit(const QByteArray &, QByteArray &)
{
    ::_exit(0);
}

bool Hang(const QByteArray &, QByteArray &out)
{
    out = "x";
    for (;;)
        ::pause();
}

bool Hog(const QByteArray &, QByteArray &)
{
    void *p = std::malloc(size_t(4) << 30);
    if (!p)
        return false;
    std::memset(p, 1, size_t(4) << 30);
    std::free(p);
    return true;
}

bool Flood(const QByteArray &in, QByteArray &out)
{
    out = QByteArray(in.toInt(), 'a');
    return true;
}

bool Lock(const QByteArray &, QByteArray &out)
{
    const std::lock_guard<std::mutex> hold(JobLock());
    out = "locked";
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    static const IsolatedCall::Job jobs[] = {
        {"echo", &Echo}, {"fail", &Fail}, {"segv", &Segv},   {"abort", &Abort}, {"exit", &Exit},
        {"hang", &Hang}, {"hog", &Hog},   {"flood", &Flood}, {"lock", &Lock},
    };
    return IsolatedCall::Serve(argc, argv, jobs);
}
