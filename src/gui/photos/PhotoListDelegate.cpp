#include "gui/photos/PhotoListDelegate.h"

#include "gui/photos/PhotoListModel.h"

#include "core/platform/AnsiCodec.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>

PhotoListDelegate::PhotoListDelegate(QObject *parent) : QStyledItemDelegate(parent), m_scaled(256)
{
}

QSize PhotoListDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    const int text = 2 * option.fontMetrics.height() + Margin;
    return QSize(ThumbnailWidth + 3 * Margin + 120, std::max(ThumbnailHeight, text) + 2 * Margin);
}

void PhotoListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const auto *model = qobject_cast<const PhotoListModel *>(index.model());
    if (!model)
        return;
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, QModelIndex());
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);

    painter->save();
    const QRect box(option.rect.left() + Margin, option.rect.top() + (option.rect.height() - ThumbnailHeight) / 2,
                    ThumbnailWidth, ThumbnailHeight);
    const ThumbnailCache::Thumbnail thumbnail = model->Thumbnail(index.row());
    const PhotoListModel::FileState state = PhotoListModel::StateOf(thumbnail.state);
    if (state == PhotoListModel::FileState::Ready && !thumbnail.image.isNull()) {
        const qint64 key = thumbnail.image.cacheKey();
        QImage *scaled = m_scaled.object(key);
        if (!scaled) {
            scaled = new QImage(thumbnail.image.scaled(box.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
            m_scaled.insert(key, scaled);
        }
        const QPoint at(box.left() + (box.width() - scaled->width()) / 2,
                        box.top() + (box.height() - scaled->height()) / 2);
        painter->drawImage(at, *scaled);
    } else {
        const bool problem = state == PhotoListModel::FileState::Missing || state == PhotoListModel::FileState::Broken;
        painter->setPen(QPen(problem ? QColor(190, 30, 30) : option.palette.color(QPalette::Mid), 1,
                             problem ? Qt::DashLine : Qt::SolidLine));
        painter->setBrush(problem ? QColor(255, 235, 230) : option.palette.color(QPalette::AlternateBase));
        painter->drawRect(box.adjusted(0, 0, -1, -1));
        if (problem) {
            QFont small = option.font;
            small.setBold(true);
            painter->setFont(small);
            painter->setPen(QColor(170, 20, 20));
            painter->drawText(box, Qt::AlignCenter,
                              state == PhotoListModel::FileState::Missing ? MissingMark() : BrokenMark());
        }
    }

    const PhotoListModel::Row row = model->RowAt(index.row());
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    const QColor text = option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    const int left = box.right() + 1 + 2 * Margin;
    const QRect textRect(left, option.rect.top() + Margin, option.rect.right() - Margin - left,
                         option.rect.height() - 2 * Margin);
    const QFontMetrics fm(option.font);
    const int lineHeight = fm.height();
    const int top = textRect.top() + (textRect.height() - 2 * lineHeight) / 2;

    QFont bold = option.font;
    bold.setBold(true);
    const QString key = QString::fromLatin1(row.keyText);
    const int keyWidth = QFontMetrics(bold).horizontalAdvance(key + QLatin1Char(' '));
    painter->setFont(bold);
    painter->setPen(text);
    painter->drawText(QRect(textRect.left(), top, keyWidth, lineHeight), Qt::AlignLeft | Qt::AlignVCenter, key);
    painter->setFont(option.font);
    QColor notesColour = text;
    if (!selected)
        notesColour = option.palette.color(group, QPalette::PlaceholderText);
    // When the photo was taken, at the right of the name's line.
    const QString time = model->TimeText(index.row());
    const int timeWidth = time.isEmpty() ? 0 : fm.horizontalAdvance(time) + Margin;
    const int nameWidth = std::max(0, textRect.width() - keyWidth - timeWidth);
    const QString name = fm.elidedText(AnsiCodec::toUnicode(row.fileName), Qt::ElideMiddle, nameWidth);
    painter->drawText(QRect(textRect.left() + keyWidth, top, nameWidth, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                      name);
    if (!time.isEmpty()) {
        painter->setPen(notesColour);
        painter->drawText(QRect(textRect.right() - timeWidth + Margin, top, timeWidth - Margin, lineHeight),
                          Qt::AlignRight | Qt::AlignVCenter, time);
    }
    painter->setPen(notesColour);
    painter->drawText(QRect(textRect.left(), top + lineHeight, textRect.width(), lineHeight),
                      Qt::AlignLeft | Qt::AlignVCenter, fm.elidedText(row.notesLine, Qt::ElideRight, textRect.width()));
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = option.rect.adjusted(1, 1, -1, -1);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
    painter->restore();
}
