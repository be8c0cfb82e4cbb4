#include "gui/widgets/BrowseFileRow.h"

#include "gui/widgets/DialogParts.h"
#include "gui/widgets/ThemeIcons.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QToolButton>

BrowseFileRow::BrowseFileRow(QWidget *group, const Layout &layout, QString (*namePart)(const QString &path))
    : QObject(group),
      m_namePart(namePart)
{
    Edit = new QLineEdit(group);
    Edit->setObjectName(QString::fromLatin1(layout.editName));
    Edit->setGeometry(layout.edit);
    Button = DialogParts::MakeToolButton(group, "SpeedButton1", QStringLiteral("Zoeken..."),
                                         ThemeIcons::Get("document-open", QStyle::SP_DirOpenIcon), layout.button);
    WithoutFolder = new QCheckBox(QStringLiteral("&Zonder pad-aanduiding"), group);
    WithoutFolder->setObjectName(QStringLiteral("CheckBox1"));
    WithoutFolder->setChecked(true);
    if (layout.checkBox.size().isEmpty()) {
        WithoutFolder->move(layout.checkBox.topLeft());
        WithoutFolder->adjustSize();
    } else {
        WithoutFolder->setGeometry(layout.checkBox);
    }
    connect(Button, &QToolButton::clicked, this, &BrowseFileRow::BrowseClicked);
    connect(WithoutFolder, &QCheckBox::clicked, this, &BrowseFileRow::Apply);
}

void BrowseFileRow::SetBrowsedPath(const QString &path)
{
    m_browsed = path;
    Apply();
}

void BrowseFileRow::Apply()
{
    m_applied = WithoutFolder->isChecked() ? m_namePart(m_browsed) : m_browsed;
    Edit->setText(m_applied);
}

bool BrowseFileRow::NameFromBrowse() const
{
    return !m_browsed.isEmpty() && Edit->text() == m_applied;
}
