#include "core/platform/BackgroundPriority.h"

#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

void BackgroundPriority::LowerCurrentThread()
{
    thread_local bool lowered = false;
    if (lowered)
        return;
    lowered = true;
    // PRIO_PROCESS with a thread id sets that thread's nice value on Linux.
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, thread);
    if (errno == 0 && now < Niceness)
        ::setpriority(PRIO_PROCESS, thread, Niceness);
}
