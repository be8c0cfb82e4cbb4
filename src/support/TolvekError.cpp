#include "support/TolvekError.h"

#include "platform/AnsiCodec.h"

TolvekError::TolvekError(const QString &message)
    : std::runtime_error(message.toStdString()), m_message(message)
{
}

TolvekError TolvekError::notValidInteger(const QByteArray &text)
{
    return TolvekError(QStringLiteral("'%1' is not a valid integer value").arg(AnsiCodec::toUnicode(text)));
}
