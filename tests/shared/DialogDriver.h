#pragma once

// Answers the program's modal dialogs, file dialogs and print dialogs in
// tests, through the seam every dialog runs through. Each answer is used
// once, in order.

#include "gui/widgets/UserInteraction.h"

#include <QAbstractButton>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPrinter>
#include <QTest>

#include <deque>
#include <functional>

class DialogDriver
{
public:
    struct Seen
    {
        QString windowTitle;
        QString texts; // every label's text, joined with "|"
        QStringList buttons;
    };

    DialogDriver()
    {
        UserInteraction::SetModalHandler([this](QDialog *d) { answer(d); });
        UserInteraction::SetFileHandler([this](const UserInteraction::FileRequest &r) { return answerFile(r); });
        UserInteraction::SetPrintHandler([this](QPrinter &p) { return answerPrint(p); });
    }
    ~DialogDriver()
    {
        UserInteraction::SetModalHandler({});
        UserInteraction::SetFileHandler({});
        UserInteraction::SetPrintHandler({});
    }

    // From now on file dialogs are Qt's own, handed to the modal answers.
    void UseRealFileDialogs() { UserInteraction::SetFileHandler({}); }

    // Press the button with this caption in the next modal dialog.
    void Press(const QString &caption) { m_answers.push_back({caption, {}}); }
    // Press Escape in the next modal dialog.
    void Escape() { m_answers.push_back({QString(), {}}); }
    // Do something else with the next modal dialog.
    void Handle(std::function<void(QDialog *)> f) { m_answers.push_back({QString(), std::move(f)}); }

    // Answer the next file dialog with a name, or cancel it.
    void ChooseFile(const QString &name) { m_files.push_back(name); }
    void CancelFile() { m_files.push_back(std::nullopt); }

    // Answer the next print dialog: print into this PDF file, or cancel.
    void PrintToPdf(const QString &fileName) { m_prints.push_back(fileName); }
    void CancelPrint() { m_prints.push_back(std::nullopt); }

    QList<Seen> dialogs;
    QList<UserInteraction::FileRequest> fileRequests;
    int Pending() const { return int(m_answers.size() + m_files.size() + m_prints.size()); }

private:
    struct Answer
    {
        QString caption;
        std::function<void(QDialog *)> custom;
    };

    void answer(QDialog *d)
    {
        Seen seen;
        seen.windowTitle = d->windowTitle();
        QStringList texts;
        for (QLabel *l : d->findChildren<QLabel *>())
            if (!l->text().isEmpty())
                texts << l->text();
        seen.texts = texts.join(QLatin1Char('|'));
        for (QAbstractButton *b : d->findChildren<QAbstractButton *>())
            seen.buttons << b->text();
        dialogs << seen;

        if (m_answers.empty()) {
            QTest::keyClick(d, Qt::Key_Escape);
            return;
        }
        Answer a = m_answers.front();
        m_answers.pop_front();
        if (a.custom) {
            a.custom(d);
            return;
        }
        if (a.caption.isEmpty()) {
            QTest::keyClick(d, Qt::Key_Escape);
            return;
        }
        for (QAbstractButton *b : d->findChildren<QAbstractButton *>()) {
            if (b->text() == a.caption && b->isVisible()) {
                b->click();
                return;
            }
        }
        qWarning("DialogDriver: no button \"%s\"; pressing Escape", qPrintable(a.caption));
        QTest::keyClick(d, Qt::Key_Escape);
    }

    std::optional<QString> answerFile(const UserInteraction::FileRequest &r)
    {
        fileRequests << r;
        if (m_files.empty())
            return std::nullopt;
        auto f = m_files.front();
        m_files.pop_front();
        return f;
    }

    bool answerPrint(QPrinter &printer)
    {
        if (m_prints.empty())
            return false;
        const auto f = m_prints.front();
        m_prints.pop_front();
        if (!f)
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(*f);
        return true;
    }

    std::deque<Answer> m_answers;
    std::deque<std::optional<QString>> m_files;
    std::deque<std::optional<QString>> m_prints;
};
