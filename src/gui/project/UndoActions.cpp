#include "gui/project/UndoActions.h"

#include "core/project/ProjectSession.h"
#include "gui/widgets/GeneralError.h"

#include <QAction>
#include <QUndoStack>

UndoActions::UndoActions(ProjectSession &session, QObject *parent) : QObject(parent), m_session(session)
{
    m_undo = new QAction(this);
    m_undo->setObjectName(QStringLiteral("Ongedaanmaken1"));
    m_undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_redo = new QAction(this);
    m_redo->setObjectName(QStringLiteral("Opnieuw1"));
    m_redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    // A redraw that fails after the step ends in the general error box.
    GeneralError::ConnectCommand(m_undo, &QAction::triggered, &m_session, &ProjectSession::Undo);
    GeneralError::ConnectCommand(m_redo, &QAction::triggered, &m_session, &ProjectSession::Redo);
    const QUndoStack &stack = m_session.UndoStack();
    connect(&stack, &QUndoStack::indexChanged, this, &UndoActions::Update);
    connect(&stack, &QUndoStack::cleanChanged, this, &UndoActions::Update);
    Update();
}

QString UndoActions::UndoCaption(const QString &step)
{
    const QString caption = QStringLiteral("&Ongedaan maken");
    return step.isEmpty() ? caption : caption + QStringLiteral(": ") + step;
}

QString UndoActions::RedoCaption(const QString &step)
{
    const QString caption = QStringLiteral("Opnie&uw");
    return step.isEmpty() ? caption : caption + QStringLiteral(": ") + step;
}

void UndoActions::Update()
{
    const QUndoStack &stack = m_session.UndoStack();
    m_undo->setEnabled(stack.canUndo());
    m_undo->setText(UndoCaption(stack.canUndo() ? stack.undoText() : QString()));
    m_redo->setEnabled(stack.canRedo());
    m_redo->setText(RedoCaption(stack.canRedo() ? stack.redoText() : QString()));
}
