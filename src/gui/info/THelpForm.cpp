#include "gui/info/THelpForm.h"

#include "core/base/ProgramTexts.h"
#include "core/platform/ProcessFolders.h"
#include "gui/info/ChmTextBrowser.h"
#include "gui/widgets/MessageDialogs.h"

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

THelpForm::THelpForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpForm"));
    setWindowTitle(ProgramTexts::AppTitle() + QStringLiteral(" Help"));
    resize(680, 520);

    InhoudButton = new QPushButton(QStringLiteral("&Inhoud"), this);
    InhoudButton->setObjectName(QStringLiteral("InhoudButton"));
    VorigeButton = new QPushButton(QStringLiteral("&Vorige"), this);
    VorigeButton->setObjectName(QStringLiteral("VorigeButton"));
    VolgendeButton = new QPushButton(QStringLiteral("V&olgende"), this);
    VolgendeButton->setObjectName(QStringLiteral("VolgendeButton"));
    SluitenButton = new QPushButton(QStringLiteral("&Sluiten"), this);
    SluitenButton->setObjectName(QStringLiteral("SluitenButton"));
    VorigeButton->setEnabled(false);
    VolgendeButton->setEnabled(false);

    HelpBrowser = new ChmTextBrowser(this);
    HelpBrowser->setObjectName(QStringLiteral("HelpBrowser"));
    HelpBrowser->SetArchive(&m_archive);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(InhoudButton);
    buttons->addWidget(VorigeButton);
    buttons->addWidget(VolgendeButton);
    buttons->addStretch(1);
    buttons->addWidget(SluitenButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(buttons);
    layout->addWidget(HelpBrowser, 1);

    connect(InhoudButton, &QPushButton::clicked, this, &THelpForm::InhoudButtonClick);
    connect(VorigeButton, &QPushButton::clicked, HelpBrowser, &QTextBrowser::backward);
    connect(VolgendeButton, &QPushButton::clicked, HelpBrowser, &QTextBrowser::forward);
    connect(SluitenButton, &QPushButton::clicked, this, &QWidget::close);
    connect(HelpBrowser, &QTextBrowser::backwardAvailable, VorigeButton, &QWidget::setEnabled);
    connect(HelpBrowser, &QTextBrowser::forwardAvailable, VolgendeButton, &QWidget::setEnabled);
    connect(HelpBrowser, &QTextBrowser::sourceChanged, this, &THelpForm::UpdateCaption);
}

QString THelpForm::ApplicationHelpFile()
{
    return ProcessFolders::DataFolder() + ProgramTexts::AppTitle() + QStringLiteral(".chm");
}

bool THelpForm::OpenHelpFile()
{
    // Opened afresh each time, so that a replaced help file is read anew.
    if (m_archive.Open(m_helpFile))
        return true;
    const QString problem = QFileInfo::exists(m_helpFile) ? QStringLiteral("Het bestand is geen geldig helpbestand.")
                                                          : QStringLiteral("Het bestand bestaat niet.");
    MessageDialogs::ShowErrorMessage(
        ProgramTexts::AppTitle(), QString(),
        QStringLiteral("Kan het helpbestand \"%1\" niet openen.\n%2").arg(m_helpFile, problem));
    return false;
}

bool THelpForm::ShowContext(int context)
{
    if (!OpenHelpFile())
        return false;
    const std::optional<QString> topic =
        context >= 0 ? m_archive.TopicForContext(std::uint32_t(context)) : std::nullopt;
    if (!topic) {
        MessageDialogs::ShowErrorMessage(
            ProgramTexts::AppTitle(), QString(),
            QStringLiteral("Het helponderwerp %1 komt niet voor in het helpbestand \"%2\".")
                .arg(context)
                .arg(m_helpFile));
        return false;
    }
    HelpBrowser->setSource(ChmTextBrowser::UrlForTopic(*topic), QTextDocument::HtmlResource);
    // Each request starts its own trail of pages.
    HelpBrowser->clearHistory();
    show();
    FollowModalWindow();
    raise();
    activateWindow();
    return true;
}

void THelpForm::FollowModalWindow()
{
    // A modal dialog blocks every window except its own; as a transient of
    // the dialog the help window can be scrolled, followed and closed while
    // the dialog stays usable too.
    QWidget *modal = QApplication::activeModalWidget();
    QWidget *owner = modal && modal != this ? modal : (parentWidget() ? parentWidget()->window() : nullptr);
    if (!owner || !owner->isVisible() || !isVisible())
        return;
    QWindow *own = windowHandle();
    QWindow *ownerWindow = owner->windowHandle();
    if (own && ownerWindow && own->transientParent() != ownerWindow)
        own->setTransientParent(ownerWindow);
}

bool THelpForm::event(QEvent *event)
{
    // A dialog opened while help is shown: follow it once it is in place.
    if (event->type() == QEvent::WindowBlocked)
        QMetaObject::invokeMethod(this, &THelpForm::FollowModalWindow, Qt::QueuedConnection);
    return QWidget::event(event);
}

void THelpForm::InhoudButtonClick()
{
    if (const std::optional<QString> topic = m_archive.DefaultTopic())
        HelpBrowser->setSource(ChmTextBrowser::UrlForTopic(*topic), QTextDocument::HtmlResource);
}

QString THelpForm::CurrentTopic() const
{
    return HelpBrowser->source().path();
}

void THelpForm::UpdateCaption()
{
    const QString title = HelpBrowser->documentTitle();
    setWindowTitle(title.isEmpty() ? ProgramTexts::AppTitle() + QStringLiteral(" Help")
                                   : ProgramTexts::AppTitle() + QStringLiteral(" Help - ") + title);
}

void THelpForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
