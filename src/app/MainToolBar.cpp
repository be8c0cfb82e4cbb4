#include "app/MainToolBar.h"

#include "app/AppIcons.h"
#include "gui/map/MapNavigator.h"
#include "gui/widgets/DialogParts.h"
#include "gui/widgets/GeneralError.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QToolBar>
#include <QToolButton>

MainToolBar::MainToolBar(QMainWindow *window, MapNavigator &navigator, std::function<void()> organisationClicked)
    : QObject(window),
      m_organisationClicked(std::move(organisationClicked))
{
    BovenPanel = new QWidget(window);
    BovenPanel->setObjectName(QStringLiteral("BovenPanel"));
    BovenPanel->setFixedHeight(28);
    BovenPanel->setFont(window->font());
    BovenPanel->installEventFilter(this);

    // Each button starts its menu item's command.
    struct Button
    {
        const char *name;
        QString hint;
        AppIcons::Id icon;
        const char *item;
        bool bevelAfter;
    };
    const Button buttons[] = {
        {"SpeedButton4", QStringLiteral("Nieuw... (Ctrl+N)"), AppIcons::New, "Nieuw1", false},
        {"SpeedButton5", QStringLiteral("Openen... (Ctrl+O)"), AppIcons::Open, "Openen1", false},
        {"SpeedButton6", QStringLiteral("Opslaan (Ctrl+S)"), AppIcons::Save, "Opslaan1", true},
        {"SpeedButton7", QStringLiteral("Projectgegevens"), AppIcons::ProjectData, "Projectgegevens1", false},
        {"SpeedButton8", QStringLiteral("Overzichtskaart"), AppIcons::Map, "OverzichtskaartEigenschappen1", false},
        {"SpeedButton9", QStringLiteral("Foto toevoegen... (F3)"), AppIcons::AddPhoto, "Toevoegen1", false},
        {"SpeedButton10", QStringLiteral("Foto verwijderen..."), AppIcons::DeletePhoto, "Verwijderen1", true},
        {"SpeedButton11", QStringLiteral("Help (F1)"), AppIcons::Help, "Inhoud1", false},
        {"SpeedButton12", QStringLiteral("Foto CD-Rom"), AppIcons::PhotoCd, "FotoCDRom1", false},
        {"SpeedButton13", QStringLiteral("Brimol op internet..."), AppIcons::Internet, "Brimolopinternet1", false},
    };
    int x = 5;
    int bevel = 2;
    for (const Button &b : buttons) {
        QToolButton *tb =
            DialogParts::MakeToolButton(BovenPanel, b.name, b.hint, AppIcons::Get(b.icon), QRect(x, 1, 25, 25));
        tb->setFocusPolicy(Qt::NoFocus);
        QAction *item = window->menuBar()->findChild<QAction *>(QString::fromLatin1(b.item));
        connect(tb, &QToolButton::clicked, item, &QAction::trigger);
        x += 25;
        if (b.icon == AppIcons::Save) {
            SpeedButton6 = tb;
            tb->setEnabled(false);
        }
        if (b.bevelAfter) {
            auto *line = new QFrame(BovenPanel);
            line->setObjectName(QStringLiteral("Bevel%1").arg(bevel));
            bevel += 3;
            line->setFrameShape(QFrame::VLine);
            line->setFrameShadow(QFrame::Sunken);
            line->setGeometry(x + 2, 3, 3, 21);
            x += 7;
        }
    }
    // The zoom of the map view, after a separator of its own.
    auto *line = new QFrame(BovenPanel);
    line->setObjectName(QStringLiteral("BevelZoom"));
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(x + 2, 3, 3, 21);
    x += 7;
    struct ZoomButton
    {
        const char *name;
        QAction *action;
        QString hint;
    };
    const ZoomButton zoomButtons[] = {
        {"ZoomInSpeedButton", navigator.ZoomInAction(), QStringLiteral("Inzoomen (Ctrl++)")},
        {"ZoomOutSpeedButton", navigator.ZoomOutAction(), QStringLiteral("Uitzoomen (Ctrl+-)")},
        {"ActualSizeSpeedButton", navigator.ActualSizeAction(), QStringLiteral("Ware grootte (Ctrl+0)")},
        {"FitSpeedButton", navigator.FitAction(), QStringLiteral("Passend in venster (Ctrl+9)")},
    };
    for (const ZoomButton &b : zoomButtons) {
        auto *tb = new QToolButton(BovenPanel);
        tb->setObjectName(QString::fromLatin1(b.name));
        tb->setAutoRaise(true);
        tb->setDefaultAction(b.action);
        tb->setToolTip(b.hint);
        tb->setIconSize(QSize(16, 16));
        tb->setGeometry(x, 1, 25, 25);
        tb->setFocusPolicy(Qt::NoFocus);
        x += 25;
    }

    Label1 = new QLabel(BovenPanel);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->installEventFilter(this);

    // The tool bar sits between the menu and the map.
    auto *toolBarHolder = window->addToolBar(QStringLiteral("CoolBar1"));
    toolBarHolder->setObjectName(QStringLiteral("CoolBar1"));
    toolBarHolder->setMovable(false);
    toolBarHolder->setFloatable(false);
    toolBarHolder->toggleViewAction()->setEnabled(false);
    toolBarHolder->setContextMenuPolicy(Qt::PreventContextMenu);
    toolBarHolder->setStyleSheet(QStringLiteral("QToolBar { border: 0px; padding: 0px; spacing: 0px; }"));
    toolBarHolder->addWidget(BovenPanel);
    BovenPanel->setMinimumWidth(x + 10);
    BovenPanel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void MainToolBar::SetSaveEnabled(bool enabled)
{
    SpeedButton6->setEnabled(enabled);
}

void MainToolBar::SetOrganisation(const QString &text)
{
    Label1->setText(text);
    AlignOrganisation();
}

void MainToolBar::AlignOrganisation()
{
    if (!Label1)
        return;
    Label1->adjustSize();
    Label1->move(BovenPanel->width() - Label1->width() - 5, 7);
    BovenPanel->update();
}

bool MainToolBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == BovenPanel && event->type() == QEvent::Resize)
        AlignOrganisation();
    if (watched == Label1 && event->type() == QEvent::MouseButtonRelease) {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() == Qt::LeftButton && Label1->rect().contains(me->position().toPoint()))
            GeneralError::Run(m_organisationClicked);
        return true;
    }
    return QObject::eventFilter(watched, event);
}
