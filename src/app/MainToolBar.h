#pragma once

#include <QObject>

#include <functional>

class MapNavigator;
class QLabel;
class QMainWindow;
class QToolButton;
class QWidget;

// The main window's tool bar, between the menu and the map: buttons that
// start menu items of the window (found by their names), the map view's
// zoom buttons, and on the right the organisation, whose click opens the
// information screen.
class MainToolBar : public QObject
{
    Q_OBJECT
public:
    MainToolBar(QMainWindow *window, MapNavigator &navigator, std::function<void()> organisationClicked);

    // By their designed names: the panel, the Save button, the organisation.
    QWidget *BovenPanel = nullptr;
    QToolButton *SpeedButton6 = nullptr;
    QLabel *Label1 = nullptr;

    void SetSaveEnabled(bool enabled);
    void SetOrganisation(const QString &text);
    // The organisation stays right-aligned, 5 pixels from the edge.
    void AlignOrganisation();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void()> m_organisationClicked;
};
