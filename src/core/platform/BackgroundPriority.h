#pragma once

// Work done in the background for the window (thumbnails, the map's
// pyramid) must not take the processor from the window itself: its threads
// run at a lower priority. On Linux each thread has its own nice value.
class BackgroundPriority
{
public:
    // Lowers the calling thread's priority (once; it is never raised again,
    // which an ordinary user may not do). Call it only on threads of one's
    // own pool.
    static void LowerCurrentThread();

    // How much nicer than the window the background threads run.
    static constexpr int Niceness = 10;
};
