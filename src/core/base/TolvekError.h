#pragma once

#include <QByteArray>
#include <QString>
#include <stdexcept>

// An error that ends the current command; the application's general error
// box shows its text and the program goes on with the next event.
class TolvekError : public std::runtime_error
{
public:
    explicit TolvekError(const QString &message);

    const QString &message() const { return m_message; }

    // "'abc' is not a valid integer value", with the offending bytes shown
    // as the user would see them (the first 200 and "..." for a longer text).
    static TolvekError notValidInteger(const QByteArray &text);

private:
    QString m_message;
};
