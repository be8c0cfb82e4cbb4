#pragma once

#include <QCache>
#include <QImage>
#include <QStyledItemDelegate>

// Paints a row of the photo list: the thumbnail (or a mark for a file that
// is missing or cannot be read), the photo's number and file name, and the
// first line of its notes. Every row has the same height, so the view lays
// out a hundred thousand rows without asking each one.
class PhotoListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit PhotoListDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    static constexpr int ThumbnailWidth = 64;
    static constexpr int ThumbnailHeight = 48;
    static constexpr int Margin = 4;

    // The marks, as the row shows them.
    static QString MissingMark() { return QStringLiteral("ontbreekt"); }
    static QString BrokenMark() { return QStringLiteral("onleesbaar"); }

private:
    // Thumbnails scaled down to the row's box, kept for the rows painted lately.
    mutable QCache<qint64, QImage> m_scaled;
};
