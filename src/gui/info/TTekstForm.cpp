#include "gui/info/TTekstForm.h"

#include "core/base/ProgramTexts.h"
#include "core/platform/AnsiCodec.h"
#include "gui/widgets/MessageDialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QVBoxLayout>

TTekstForm::TTekstForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TekstForm"));
    resize(640, 480);
    TekstMemo = new QPlainTextEdit(this);
    TekstMemo->setObjectName(QStringLiteral("TekstMemo"));
    TekstMemo->setReadOnly(true);
    TekstMemo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    SluitenButton = new QPushButton(QStringLiteral("&Sluiten"), this);
    SluitenButton->setObjectName(QStringLiteral("SluitenButton"));
    connect(SluitenButton, &QPushButton::clicked, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(SluitenButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(TekstMemo, 1);
    layout->addLayout(buttons);
}

bool TTekstForm::ShowFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        MessageDialogs::ShowErrorMessage(
            ProgramTexts::AppTitle(), QString(),
            QStringLiteral("Kan bestand \"%1\" niet openen.\n%2").arg(fileName, file.errorString()));
        return false;
    }
    const QByteArray bytes = file.readAll();
    // Read-me files written on Windows are in its code page.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = AnsiCodec::toUnicode(bytes);
    TekstMemo->setPlainText(text);
    setWindowTitle(QFileInfo(fileName).fileName() + QStringLiteral(" - ") + ProgramTexts::AppTitle());
    show();
    raise();
    activateWindow();
    return true;
}

QString TTekstForm::Text() const
{
    return TekstMemo->toPlainText();
}

void TTekstForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
