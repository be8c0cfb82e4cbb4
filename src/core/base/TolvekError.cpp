#include "core/base/TolvekError.h"

#include "core/platform/AnsiCodec.h"

TolvekError::TolvekError(const QString &message) : std::runtime_error(message.toStdString()), m_message(message)
{
}

TolvekError TolvekError::notValidInteger(const QByteArray &text)
{
    // A text of many thousands of characters would make a message box that
    // takes ages to lay out and does not fit any screen: show its start.
    constexpr qsizetype Shown = 200;
    QString shown = AnsiCodec::toUnicode(text.size() > Shown ? text.left(Shown) : text);
    if (text.size() > Shown)
        shown += QStringLiteral("...");
    return TolvekError(QStringLiteral("'%1' is not a valid integer value").arg(shown));
}
