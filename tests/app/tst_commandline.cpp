// "tolvek --help" and "tolvek --version": the program itself is started
// without a display and must answer on standard output and end with exit
// code 0; every other command line still names the project to open.
#include "app/CommandLine.h"

#include <QProcess>
#include <QTest>

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void helpAndVersionAnswered();
    void otherArgumentsAreTheProject();

private:
    // Runs the program as a user would, with no display at all, so that
    // anything past the answer (a window, a file named "--help") fails.
    static QProcess *Run(const QStringList &arguments)
    {
        auto *process = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        process->setProcessEnvironment(env);
        process->start(QStringLiteral(TOLVEK_PROGRAM), arguments);
        process->waitForFinished(30000);
        return process;
    }
};

void TestCommandLine::helpAndVersionAnswered()
{
    for (const QString &option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        std::unique_ptr<QProcess> p(Run({option}));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->exitCode(), 0);
        const QString out = QString::fromLocal8Bit(p->readAllStandardOutput());
        QVERIFY2(out.startsWith(QStringLiteral("Gebruik: tolvek [PROJECTBESTAND]\n")), qPrintable(out));
        QVERIFY(out.contains(QStringLiteral("--version")));
        QVERIFY(p->readAllStandardError().isEmpty());
    }
    for (const QString &option : {QStringLiteral("--version"), QStringLiteral("-v")}) {
        std::unique_ptr<QProcess> p(Run({option}));
        QCOMPARE(p->exitCode(), 0);
        // The project version a.b.c.d is shown as "a.b.c (build d)".
        const QStringList v = QStringLiteral(TOLVEK_VERSION).split(QLatin1Char('.'));
        QCOMPARE(QString::fromLocal8Bit(p->readAllStandardOutput()),
                 QStringLiteral("Tolvek %1.%2.%3 (build %4)\n").arg(v[0], v[1], v[2], v.value(3, QStringLiteral("0"))));
    }
}

void TestCommandLine::otherArgumentsAreTheProject()
{
    const QString program = QStringLiteral("/opt/tolvek/tolvek");
    for (const QStringList &args : {QStringList{program}, QStringList{program, QStringLiteral("mijn --help.tvk")},
                                    QStringList{program, QStringLiteral("-style"), QStringLiteral("windows")},
                                    QStringList{program, QStringLiteral("-reverse"), QStringLiteral("kaart.tvk")}}) {
        QVERIFY2(!CommandLine::AnswerInformationRequest(args), qPrintable(args.join(QLatin1Char(' '))));
    }
}

QTEST_GUILESS_MAIN(TestCommandLine)

#include "tst_commandline.moc"
