#pragma once

#include <QString>
#include <functional>
#include <optional>

class QDialog;
class QWidget;

// Every modal dialog and every file dialog of the program runs through here,
// so that a test can answer them without a person: a modal handler gets the
// running dialog (and can click its buttons), a file handler answers file
// dialogs with a name or a cancel.
class UserInteraction
{
public:
    enum class FileDialogKind { Open, Save, OpenPicture };

    struct FileRequest
    {
        FileDialogKind kind = FileDialogKind::Open;
        QWidget *parent = nullptr;
        QString title;
        QString filter;      // "Description|pattern|Description|pattern"
        QString initialName; // the file name field
        QString directory;   // where the dialog opens; empty: the current folder
    };

    using FileHandler = std::function<std::optional<QString>(const FileRequest &)>;
    using ModalHandler = std::function<void(QDialog *)>;

    // The chosen file's full name, or nothing when the dialog was cancelled.
    static std::optional<QString> AskFile(const FileRequest &request);

    // Shows the dialog modally and returns its result.
    static int ExecModal(QDialog *dialog);

    static void SetFileHandler(FileHandler handler);
    static void SetModalHandler(ModalHandler handler);
    static bool HasModalHandler();

    // "A (*.a)|*.a|B|*.b" as a Qt name filter list "A (*.a);;B (*.b)".
    static QString QtFilter(const QString &filter);
};
