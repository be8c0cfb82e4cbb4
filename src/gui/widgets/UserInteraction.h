#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

class QDialog;
class QFileDialog;
class QPrinter;
class QWidget;

// Every modal dialog, file dialog and print dialog of the program runs
// through here, so that a test can answer them without a person: a modal
// handler gets the running dialog (and can click its buttons), a file
// handler answers file dialogs with a name or a cancel, a print handler sets
// up the printer or cancels.
class UserInteraction
{
public:
    // OpenSeveral: several existing files (AskFiles); Folder: a folder.
    enum class FileDialogKind { Open, Save, OpenPicture, OpenSeveral, Folder };

    struct FileRequest
    {
        FileDialogKind kind = FileDialogKind::Open;
        QWidget *parent = nullptr;
        QString title;
        QString filter;      // "Description|pattern|Description|pattern"
        QString initialName; // the file name field
        QString directory;   // where the dialog opens; empty: the current folder
        // Dialogs of one kind ("Projecten", "Kaarten", ...) open where the last
        // one was left, also in a later run; the remembered folder stands in
        // for an empty directory.
        QString folderKind;
        // Save: a name typed without an extension gets the one of the
        // chosen filter.
        bool suffixFromFilter = false;
        // OpenPicture: draws the picture for the preview pane within a box;
        // a null image shows no preview. Without it Qt's image readers are used.
        std::function<QImage(const QString &fileName, const QSize &box)> preview;
        // Folder: a check box below the list with this caption (Qt's own
        // dialog then); its state is read from and written back to
        // *optionChecked.
        QString option;
        bool *optionChecked = nullptr;
    };

    using FileHandler = std::function<std::optional<QString>(const FileRequest &)>;
    using ModalHandler = std::function<void(QDialog *)>;
    using PrintHandler = std::function<bool(QPrinter &)>;

    // The chosen file's full name (Folder: the chosen folder, which the
    // dialog lets the user make), or nothing when it was cancelled.
    static std::optional<QString> AskFile(const FileRequest &request);

    // Several files (OpenSeveral), or nothing when the dialog was cancelled.
    // A handler answers with the text of the file-name field: one name, or
    // several names in double quotes, as Qt's dialog takes them; names
    // without a folder are in request.directory.
    static std::optional<QStringList> AskFiles(const FileRequest &request);

    // The names in a file-name field: "a.jpg" or "\"a.jpg\" \"b c.jpg\"".
    static QStringList SplitQuotedNames(const QString &text);

    // Shows the dialog modally and returns its result.
    static int ExecModal(QDialog *dialog);

    // The print dialog for printer; false when it was cancelled.
    static bool AskPrinter(QPrinter &printer, QWidget *parent);

    static void SetFileHandler(FileHandler handler);
    static void SetPrintHandler(PrintHandler handler);
    static void SetModalHandler(ModalHandler handler);
    static bool HasModalHandler();

    // Adds a picture preview pane to Qt's own file dialog.
    static void AddPicturePreview(QFileDialog &dialog,
                                  const std::function<QImage(const QString &, const QSize &)> &preview);

    // "A (*.a)|*.a|B|*.b" as a Qt name filter list "A (*.a);;B (*.b)".
    static QString QtFilter(const QString &filter);
};
