#pragma once

#include <mutex>

// Shared by tst_isolatedcall and its helper program: a lock that the test
// holds on another thread while a job takes it.
inline std::mutex &JobLock()
{
    static std::mutex lock;
    return lock;
}
