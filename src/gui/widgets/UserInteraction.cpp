#include "gui/widgets/UserInteraction.h"

#include "core/platform/AppSettings.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QTimer>

namespace {
UserInteraction::FileHandler g_fileHandler;
UserInteraction::ModalHandler g_modalHandler;

// Opens the dialog where the last one of its kind was left and remembers
// where this one is left.
std::optional<QString> AskInLastFolder(UserInteraction::FileRequest request)
{
    const QString kind = request.folderKind;
    request.folderKind.clear();
    if (request.directory.isEmpty())
        request.directory = AppSettings::LastFolder(kind);
    const std::optional<QString> chosen = UserInteraction::AskFile(request);
    if (chosen)
        AppSettings::SetLastFolder(kind, QFileInfo(*chosen).absolutePath());
    return chosen;
}

UserInteraction::PrintHandler g_printHandler;

// The extension of a Qt name filter's first pattern ("PNG (*.png)" gives
// "png"); empty for "*" and the like.
QString firstSuffix(const QString &nameFilter)
{
    static const QRegularExpression pattern(QStringLiteral("\\(\\*\\.([A-Za-z0-9]+)"));
    const QRegularExpressionMatch m = pattern.match(nameFilter);
    return m.hasMatch() ? m.captured(1) : QString();
}
} // namespace

void UserInteraction::SetFileHandler(FileHandler handler)
{
    g_fileHandler = std::move(handler);
}

void UserInteraction::SetPrintHandler(PrintHandler handler)
{
    g_printHandler = std::move(handler);
}

void UserInteraction::SetModalHandler(ModalHandler handler)
{
    g_modalHandler = std::move(handler);
}

bool UserInteraction::HasModalHandler()
{
    return static_cast<bool>(g_modalHandler);
}

QString UserInteraction::QtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // "*.*" means every file, also those without a dot.
        patterns.replace(QLatin1String("*.*"), QLatin1String("*"));
        out << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return out.join(QLatin1String(";;"));
}

std::optional<QString> UserInteraction::AskFile(const FileRequest &request)
{
    if (!request.folderKind.isEmpty())
        return AskInLastFolder(request);
    if (g_fileHandler)
        return g_fileHandler(request);

    if (request.kind == FileDialogKind::Folder) {
        QFileDialog dialog(request.parent, request.title, request.directory);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
        QCheckBox *option = nullptr;
        if (!request.option.isEmpty() && request.optionChecked) {
            // Only Qt's own dialog has room for it.
            dialog.setOption(QFileDialog::DontUseNativeDialog, true);
            if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout())) {
                option = new QCheckBox(request.option, &dialog);
                option->setObjectName(QStringLiteral("FolderOption"));
                option->setChecked(*request.optionChecked);
                grid->addWidget(option, grid->rowCount(), 0, 1, grid->columnCount());
            }
        }
        if (ExecModal(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        if (option)
            *request.optionChecked = option->isChecked();
        return dialog.selectedFiles().constFirst();
    }

    QFileDialog dialog(request.parent, request.title, request.directory, QtFilter(request.filter));
    dialog.setAcceptMode(request.kind == FileDialogKind::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.kind == FileDialogKind::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The program asks its own overwrite question where it wants one.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    // The descriptions already name their patterns; Qt would add the
    // pattern list a second time.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    if (request.suffixFromFilter) {
        dialog.setDefaultSuffix(firstSuffix(dialog.selectedNameFilter()));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog](const QString &filter) { dialog.setDefaultSuffix(firstSuffix(filter)); });
    }
    if (!request.initialName.isEmpty())
        dialog.selectFile(request.initialName);
    if (request.kind == FileDialogKind::OpenPicture)
        AddPicturePreview(dialog, request.preview);
    if (ExecModal(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QStringList> UserInteraction::AskFiles(const FileRequest &request)
{
    if (g_fileHandler) {
        const std::optional<QString> text = g_fileHandler(request);
        if (!text)
            return std::nullopt;
        QStringList names;
        const QDir folder(request.directory.isEmpty() ? QDir::currentPath() : request.directory);
        for (const QString &name : SplitQuotedNames(*text))
            names << QDir::cleanPath(folder.absoluteFilePath(name));
        return names;
    }

    QFileDialog dialog(request.parent, request.title, request.directory, QtFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (ExecModal(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles();
}

QStringList UserInteraction::SplitQuotedNames(const QString &text)
{
    if (!text.contains(QLatin1Char('"'))) {
        const QString name = text.trimmed();
        return name.isEmpty() ? QStringList() : QStringList{name};
    }
    QStringList names;
    qsizetype at = 0;
    while (true) {
        const qsizetype open = text.indexOf(QLatin1Char('"'), at);
        if (open < 0)
            break;
        const qsizetype close = text.indexOf(QLatin1Char('"'), open + 1);
        if (close < 0)
            break;
        if (close > open + 1)
            names << text.mid(open + 1, close - open - 1);
        at = close + 1;
    }
    return names;
}

void UserInteraction::AddPicturePreview(QFileDialog &dialog,
                                        const std::function<QImage(const QString &, const QSize &)> &preview)
{
    // The preview pane needs Qt's own dialog; the desktop's has no room for it.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    auto *grid = qobject_cast<QGridLayout *>(dialog.layout());
    if (!grid)
        return;
    auto *pane = new QLabel(&dialog);
    pane->setObjectName(QStringLiteral("PicturePreview"));
    pane->setFixedSize(200, 200);
    pane->setAlignment(Qt::AlignCenter);
    pane->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    grid->addWidget(pane, 1, grid->columnCount(), grid->rowCount() - 1, 1);
    // Room for the file list's columns beside the pane.
    dialog.resize(dialog.sizeHint().expandedTo(QSize(820, 440)));
    QObject::connect(&dialog, &QFileDialog::currentChanged, pane, [pane, preview](const QString &file) {
        const QSize box = pane->contentsRect().size() - QSize(4, 4);
        QImage image;
        if (preview) {
            image = preview(file, box);
        } else {
            QImageReader reader(file);
            const QSize size = reader.size();
            if (size.isValid() && !size.isEmpty()) {
                reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatio).boundedTo(size));
                image = reader.read();
            }
        }
        if (image.isNull())
            pane->clear();
        else
            pane->setPixmap(QPixmap::fromImage(image));
    });
}

bool UserInteraction::AskPrinter(QPrinter &printer, QWidget *parent)
{
    if (g_printHandler)
        return g_printHandler(printer);
    QPrintDialog dialog(&printer, parent);
    return ExecModal(&dialog) == QDialog::Accepted;
}

int UserInteraction::ExecModal(QDialog *dialog)
{
    if (g_modalHandler) {
        // Hand the dialog over once its own event loop runs, so that the
        // handler acts on a shown, modal dialog as a user would.
        QPointer<QDialog> guard(dialog);
        ModalHandler handler = g_modalHandler;
        QTimer::singleShot(0, dialog, [guard, handler] {
            if (guard)
                handler(guard.data());
        });
    }
    return dialog->exec();
}
