#include "core/project/RecoveryKeeper.h"

#include "core/platform/SafeFileWriter.h"
#include "core/platform/XdgFolders.h"
#include "core/project/DataFile.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "core/project/RecoveryCopy.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QThread>

#include <atomic>
#include <memory>
#include <utility>

namespace {

std::atomic<int> g_delayMs{RecoveryKeeper::DefaultDelayMs};

const QString kInfo = QStringLiteral(".info");
const QString kCopy = QStringLiteral(".tvk");
const QString kLock = QStringLiteral(".lock");

bool writeWhole(const QString &fileName, const QByteArray &bytes, QString *reason)
{
    SafeFileWriter writer(fileName);
    if (writer.Open() && writer.Append(bytes.constData(), size_t(bytes.size())) && writer.Commit())
        return true;
    *reason = writer.Reason();
    return false;
}

} // namespace

RecoveryKeeper::RecoveryKeeper(ProjectSession &session, QObject *parent) : QObject(parent), m_session(session)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &RecoveryKeeper::Write);
    connect(&m_session, &ProjectSession::Changed, this, &RecoveryKeeper::Follow);
}

RecoveryKeeper::~RecoveryKeeper()
{
    m_timer.stop();
    Drop();
    m_lock.Remove();
}

void RecoveryKeeper::SetDelay(int milliseconds)
{
    g_delayMs = milliseconds;
}

QString RecoveryKeeper::CopyFileName() const
{
    return m_id.isEmpty() ? QString() : RecoveryCopy::FileOf(m_id, kCopy);
}

void RecoveryKeeper::Follow()
{
    if (!m_session.Document().Modified) {
        m_timer.stop();
        Drop();
        return;
    }
    m_lastChange = QDateTime::currentDateTime();
    // Not restarted by every change: steady work is still copied in time.
    if (!m_timer.isActive())
        m_timer.start(g_delayMs);
}

bool RecoveryKeeper::Prepare()
{
    if (!m_id.isEmpty())
        return true;
    if (!XdgFolders::MakePrivateFolder(RecoveryCopy::Folder()))
        return false;
    for (int attempt = 0; attempt < 10; ++attempt) {
        const QString id = QString::number(QRandomGenerator::system()->generate64(), 16);
        // A name a lost run still has a copy under is not taken.
        if (QFile::exists(RecoveryCopy::FileOf(id, kLock)) || QFile::exists(RecoveryCopy::FileOf(id, kCopy)))
            continue;
        if (m_lock.Take(RecoveryCopy::FileOf(id, kLock)) == ProcessLock::Result::Taken) {
            m_id = id;
            return true;
        }
    }
    return false;
}

void RecoveryKeeper::Write()
{
    if (!m_session.Document().Modified)
        return;
    if (m_worker) {
        m_writeAgain = true;
        return;
    }
    if (!Prepare()) {
        Fail(QStringLiteral("de map kan niet worden gemaakt of er kan niet in worden geschreven"));
        return;
    }
    // The lists share their entries with the project's, so the snapshot is
    // all the window pays; its next edit makes its own lists. The snapshot
    // is let go of on the writing thread too.
    auto snapshot = std::make_shared<const ProjectDocument>(m_session.Document());
    const QByteArray info = RecoveryCopy::InfoBytes(snapshot->CurrentFileName, m_lastChange, m_session.DiskStamp());
    const QString infoName = RecoveryCopy::FileOf(m_id, kInfo);
    const QString copyName = RecoveryCopy::FileOf(m_id, kCopy);
    auto failure = std::make_shared<QString>();
    m_failure = failure;
    m_worker = QThread::create([snapshot, info, infoName, copyName, failure]() mutable {
        // The info first: a copy never stands without it.
        QString reason;
        if (!writeWhole(infoName, info, &reason)
            || DataFile::Write(*snapshot, copyName, &reason) != DataFile::WriteResult::Ok)
            *failure = reason.isEmpty() ? QStringLiteral("onbekende fout") : reason;
        snapshot.reset();
    });
    connect(m_worker, &QThread::finished, this, &RecoveryKeeper::Written);
    m_worker->start(QThread::LowPriority);
}

void RecoveryKeeper::Written()
{
    // Also called late for a worker that Wait already cleared away.
    if (!m_worker || !m_worker->isFinished())
        return;
    const std::shared_ptr<QString> failure = std::exchange(m_failure, nullptr);
    Wait();
    if (failure && !failure->isEmpty())
        Fail(*failure);
    else if (failure)
        m_warned = false; // a later failure is told again
    if (std::exchange(m_writeAgain, false))
        Write();
}

void RecoveryKeeper::Fail(const QString &reason)
{
    if (std::exchange(m_warned, true))
        return;
    emit Failed(QStringLiteral("Er kan geen herstelkopie worden bewaard in \"%1\": %2. Sla het project zelf op om "
                               "niets te verliezen.")
                    .arg(QDir::toNativeSeparators(RecoveryCopy::Folder()), reason));
}

void RecoveryKeeper::Wait()
{
    if (!m_worker)
        return;
    m_worker->wait();
    delete m_worker;
    m_worker = nullptr;
}

void RecoveryKeeper::Drop()
{
    Wait();
    m_writeAgain = false;
    if (m_id.isEmpty())
        return;
    QFile::remove(RecoveryCopy::FileOf(m_id, kCopy));
    QFile::remove(RecoveryCopy::FileOf(m_id, kInfo));
}

void RecoveryKeeper::Adopt(RecoveryCopy &&copy)
{
    m_timer.stop();
    Drop();
    m_lock.Remove();
    m_id = copy.m_id;
    m_lock = std::move(copy.m_lock);
    m_lastChange = copy.m_lastChange;
}
