#include "gui/map/TFotoKeuzeForm.h"

#include "core/photos/ThumbnailCache.h"
#include "core/platform/AnsiCodec.h"
#include "core/project/PhotoEntry.h"
#include "core/project/PhotoLookup.h"
#include "core/project/ProjectDocument.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kIconSide = 64;

// A thumbnail centred on a square, so that the rows line up.
QIcon SquareIcon(const QImage &image)
{
    QPixmap square(kIconSide, kIconSide);
    square.fill(Qt::transparent);
    if (!image.isNull()) {
        const QImage fitted = image.scaled(kIconSide, kIconSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QPainter p(&square);
        p.drawImage((kIconSide - fitted.width()) / 2, (kIconSide - fitted.height()) / 2, fitted);
    }
    return QIcon(square);
}

} // namespace

TFotoKeuzeForm::TFotoKeuzeForm(const ProjectDocument &doc, const QList<qsizetype> &positions,
                               ThumbnailCache *thumbnails, QWidget *parent)
    : QDialog(parent),
      m_positions(positions),
      m_thumbnails(thumbnails)
{
    setObjectName(QStringLiteral("FotoKeuzeForm"));
    setWindowTitle(QStringLiteral("Welke foto?"));
    m_folder = doc.ProjectFolder();
    if (m_folder.isEmpty())
        m_folder = QDir::currentPath();

    auto *text = new QLabel(
        QStringLiteral("Hier liggen %1 foto's over elkaar. Kies de foto die u wilt openen:").arg(positions.size()),
        this);
    text->setWordWrap(true);
    FotoLijst = new QListWidget(this);
    FotoLijst->setObjectName(QStringLiteral("FotoLijst"));
    FotoLijst->setIconSize(QSize(kIconSide, kIconSide));
    FotoLijst->setUniformItemSizes(true);
    text->setBuddy(FotoLijst);

    for (const qsizetype position : positions) {
        std::int32_t key = 0;
        PhotoEntry::TryInt(PhotoEntry::KeyView(doc.PositionList[position]), key);
        const qsizetype nameIndex = PhotoLookup::FindByKeySkippingBad(doc.NameList, key);
        QString stored, shown;
        if (nameIndex >= 0) {
            const QByteArrayView name = PhotoEntry::ValueView(doc.NameList[nameIndex]);
            if (!PhotoEntry::IsNoName(name))
                stored = AnsiCodec::toUnicode(name.toByteArray());
            const qsizetype slash = std::max(name.lastIndexOf('/'), name.lastIndexOf('\\'));
            shown = AnsiCodec::toUnicode(name.sliced(slash + 1).toByteArray());
        }
        auto *item = new QListWidgetItem(SquareIcon(QImage()), QStringLiteral("Foto %1 \u2013 %2").arg(key).arg(shown));
        FotoLijst->addItem(item);
        m_names.append(stored);
    }
    FotoLijst->setCurrentRow(0);
    // Tall enough for every row up to eight, wide enough for the names.
    const int rows = int(std::min<qsizetype>(positions.size(), 8));
    FotoLijst->setMinimumHeight(rows * (kIconSide + 6) + 4);
    FotoLijst->setMinimumWidth(std::max(320, FotoLijst->sizeHintForColumn(0) + 32));

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *open = buttons->addButton(QStringLiteral("&Openen"), QDialogButtonBox::AcceptRole);
    open->setObjectName(QStringLiteral("OpenenButton"));
    open->setDefault(true);
    buttons->addButton(QStringLiteral("&Annuleren"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FotoLijst, &QListWidget::itemActivated, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(FotoLijst, 1);
    layout->addWidget(buttons);

    if (m_thumbnails) {
        connect(m_thumbnails, &ThumbnailCache::Ready, this, &TFotoKeuzeForm::ShowThumbnail);
        for (qsizetype row = 0; row < m_names.size(); ++row)
            if (!m_names[row].isEmpty()) {
                const ThumbnailCache::Thumbnail t = m_thumbnails->Request(m_names[row], m_folder);
                if (t.state == ThumbnailCache::State::Ready)
                    FotoLijst->item(int(row))->setIcon(SquareIcon(t.image));
            }
    }
}

void TFotoKeuzeForm::ShowThumbnail(const QString &name, const QString &folder)
{
    if (folder != m_folder)
        return;
    for (qsizetype row = 0; row < m_names.size(); ++row)
        if (m_names[row] == name) {
            const ThumbnailCache::Thumbnail t = m_thumbnails->Known(name, folder);
            if (t.state == ThumbnailCache::State::Ready)
                FotoLijst->item(int(row))->setIcon(SquareIcon(t.image));
        }
}

qsizetype TFotoKeuzeForm::Chosen() const
{
    const int row = FotoLijst->currentRow();
    return row >= 0 && row < m_positions.size() ? m_positions[row] : -1;
}
