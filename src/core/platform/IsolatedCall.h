#pragma once

#include <QByteArray>
#include <functional>

// Runs a decoder of a library that cannot be trusted with hostile files
// (old C code that crashes, loops or asks for gigabytes on bad input) in a
// child process of its own, with a time and a memory limit. Whatever the
// library does there, the program itself goes on and gets an answer.
//
// The child is a fork of the program: the work function runs there and
// must only call the library and build its output (no Qt objects that
// belong to the program, no windows); the output comes back through a pipe.
class IsolatedCall
{
public:
    enum class Status {
        Ok,       // the work succeeded; output holds its bytes
        Failed,   // the work itself reported failure
        Crashed,  // the child ended abnormally (a crash, out of memory)
        TimedOut, // the child was still busy at the time limit and was killed
        TooLarge, // the child sent more than the output limit
        NoChild,  // no child process could be started
    };

    struct Result
    {
        Status status = Status::NoChild;
        QByteArray output;
    };

    struct Limits
    {
        int milliseconds = 10000;
        qint64 memoryBytes = qint64(1) << 30;   // address space of the child
        qint64 outputBytes = qint64(256) << 20; // what it may send back
    };

    // work fills its argument and returns success.
    static Result Run(const std::function<bool(QByteArray &)> &work, const Limits &limits);
    static Result Run(const std::function<bool(QByteArray &)> &work) { return Run(work, Limits()); }
};
