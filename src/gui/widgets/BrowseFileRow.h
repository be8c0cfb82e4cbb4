#pragma once

#include <QObject>
#include <QRect>
#include <QString>

class QCheckBox;
class QLineEdit;
class QToolButton;
class QWidget;

// The file-name row of the overview-map and add-photo dialogs: an edit, a
// flat "Zoeken..." button beside it and below them "&Zonder pad-aanduiding"
// (ticked at first), which puts the browsed file into the edit with or
// without its folder. Only the user's click on the check box applies it
// again, not a change the program makes.
class BrowseFileRow : public QObject
{
    Q_OBJECT
public:
    struct Layout
    {
        QRect edit;
        QRect button;
        QRect checkBox; // an empty size: the check box's own size
        const char *editName = "Edit1";
    };
    // namePart: the file's name without its folder, as the dialog cuts it.
    BrowseFileRow(QWidget *group, const Layout &layout, QString (*namePart)(const QString &path));

    // Shows a browsed file in the edit as the check box says.
    void SetBrowsedPath(const QString &path);
    const QString &BrowsedPath() const { return m_browsed; }
    void ClearBrowsedPath() { m_browsed.clear(); }
    // True when the edit holds what a browse (or the check box) put there
    // and the user has not typed over it since.
    bool NameFromBrowse() const;

    QLineEdit *Edit = nullptr;
    QToolButton *Button = nullptr;
    QCheckBox *WithoutFolder = nullptr;

signals:
    // The "Zoeken..." button was clicked; the dialog asks for the file.
    void BrowseClicked();

private:
    void Apply();

    QString (*m_namePart)(const QString &);
    QString m_browsed;
    QString m_applied; // the text Apply last put into the edit
};
