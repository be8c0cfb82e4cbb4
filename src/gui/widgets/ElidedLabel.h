#pragma once

#include <QFrame>
#include <QString>

// A one-line text that never shows a cut-off character: when it does not
// fit, the middle gives way to "..." (a path keeps its start and its file
// name), and the whole text is the hint.
class ElidedLabel : public QFrame
{
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    void SetText(const QString &text);
    const QString &Text() const { return m_text; }
    // The text as it is drawn at the present width.
    QString ShownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
};
