#pragma once

#include <QByteArray>
#include <QString>

#include <span>

// Runs a decoder of a library that cannot be trusted with hostile files
// (old C code that crashes, loops or asks for gigabytes on bad input) in a
// process of its own, with a time and a memory limit. Whatever the library
// does there, the program itself goes on and gets an answer.
//
// That process is the helper program tolvek-decode, started afresh with
// posix_spawn, never a fork of the program: a forked copy of a program with
// threads inherits the locks those threads held at that moment (fontconfig,
// the loader, Qt's thread pools) and may wait for them for ever. The work is
// one of the helper's jobs, named by the caller; its input goes to the
// helper's standard input, its output comes back through a pipe.
class IsolatedCall
{
public:
    enum class Status {
        Ok,       // the work succeeded; output holds its bytes
        Failed,   // the work itself reported failure
        Crashed,  // the helper ended abnormally (a crash, out of memory)
        TimedOut, // the helper was still busy at the time limit and was killed
        TooLarge, // the helper sent more than the output limit
        NoChild,  // no helper process could be started
    };

    struct Result
    {
        Status status = Status::NoChild;
        QByteArray output;
    };

    struct Limits
    {
        int milliseconds = 10000;
        qint64 memoryBytes = qint64(1) << 30;   // address space the job may add to the helper's own
        qint64 outputBytes = qint64(256) << 20; // what it may send back
    };

    // A job fills output from input and returns success. It runs in the
    // helper, a program without windows or an application object.
    using Work = bool (*)(const QByteArray &input, QByteArray &output);
    struct Job
    {
        const char *name;
        Work work;
    };

    static Result Run(const char *job, const QByteArray &input, const Limits &limits);

    // The same with another helper program (the tests have one of their own).
    static Result RunWith(const QString &helper, const char *job, const QByteArray &input, const Limits &limits);

    // tolvek-decode: at the top of the build tree for the programs and
    // tests built there, else in the installed libexec folder, found from
    // the program's own place whatever the prefix.
    static QString HelperProgram();

    // The helper program's main: runs the job named on its command line
    // (Run's arguments) and never returns when it is found.
    static int Serve(int argc, char **argv, std::span<const Job> jobs);
};
