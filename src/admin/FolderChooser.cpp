#include "admin/FolderChooser.h"

#include "platform/Folders.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>
#include <QVBoxLayout>

FolderChooser::FolderChooser(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_driveList = new QComboBox(this);
    m_driveList->setObjectName(QStringLiteral("driveList"));
    m_folderList = new QListWidget(this);
    m_folderList->setObjectName(QStringLiteral("folderList"));
    m_pathBox = new QLineEdit(this);
    m_pathBox->setObjectName(QStringLiteral("PDFFolder"));
    m_pathBox->setReadOnly(true);
    layout->addWidget(m_driveList);
    layout->addWidget(m_folderList, 1);
    layout->addWidget(m_pathBox);

    m_drives = drives::mounted();
    for (const drives::Drive& drive : m_drives)
        m_driveList->addItem(style()->standardIcon(QStyle::SP_DriveHDIcon),
                             drive.label.isEmpty() ? drive.rootPath
                                                   : drive.rootPath + QStringLiteral("  [") + drive.label + u']');

    // The lists start at the home folder, until a stored folder is selected.
    openFolder(folders::homeFolder());
    connect(m_driveList, &QComboBox::activated, this, &FolderChooser::chooseDrive);
    connect(m_folderList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { openFolder(item->data(Qt::UserRole).toString()); });
}

void FolderChooser::selectStoredFolder(const QString& folder)
{
    const qsizetype drive = drives::driveFor(m_drives, folder);
    if (drive < 0)
        return;
    if (!openFolder(folder))
        openFolder(m_drives[drive].rootPath);
}

void FolderChooser::chooseDrive(int index)
{
    if (index >= 0 && index < m_drives.size())
        openFolder(m_drives[index].rootPath);
}

bool FolderChooser::openFolder(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.isDir())
        return false;
    m_folder = QDir::cleanPath(info.absoluteFilePath());
    const qsizetype drive = drives::driveFor(m_drives, m_folder);
    if (drive >= 0)
        m_driveList->setCurrentIndex(int(drive));
    m_pathBox->setText(QDir::toNativeSeparators(m_folder));
    m_pathBox->setToolTip(m_pathBox->text());
    fillFolderList();
    return true;
}

QString FolderChooser::path() const
{
    return m_pathBox->text();
}

void FolderChooser::fillFolderList()
{
    m_folderList->clear();
    const int driveIndex = m_driveList->currentIndex();
    const QString root = driveIndex >= 0 ? m_drives[driveIndex].rootPath : QStringLiteral("/");

    // The way down from the root, each step indented one more place, then the folders
    // inside the open one.
    QStringList way{root};
    const QString below = m_folder.mid(root.size());
    QString step = root;
    for (const QString& part : below.split(u'/', Qt::SkipEmptyParts)) {
        step = folders::join(step, part);
        way.append(step);
    }
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    auto add = [this](const QIcon& icon, const QString& text, const QString& path, int depth) {
        auto* item = new QListWidgetItem(icon, QString(depth * 3, u' ') + text, m_folderList);
        item->setData(Qt::UserRole, path);
        return item;
    };
    for (int depth = 0; depth < way.size(); ++depth) {
        const QString name = depth == 0 ? way[depth] : QFileInfo(way[depth]).fileName();
        QListWidgetItem* item = add(open, name, way[depth], depth);
        if (depth == way.size() - 1)
            m_folderList->setCurrentItem(item);
    }
    const QStringList children =
        QDir(m_folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& child : children)
        add(closed, child, folders::join(m_folder, child), int(way.size()));
}
