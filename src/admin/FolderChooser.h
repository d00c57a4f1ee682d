#pragma once

#include "platform/Drives.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QListWidget;

// The folder chooser of the PDF folder: a drive list (the mounted file systems), a folder
// list and a read-only box with the chosen folder's full path.
//
// The folder list shows the way from the drive's root down to the open folder, then the
// folders inside it; activating an entry opens it. Choosing a drive opens its root; a
// root that cannot be read shows just itself.
class FolderChooser : public QWidget
{
    Q_OBJECT

public:
    explicit FolderChooser(QWidget* parent = nullptr);

    // Selects the drive that holds `folder` and opens the folder; a folder that does not
    // exist opens that drive's root. With no drive holding it, nothing changes.
    void selectStoredFolder(const QString& folder);

    // The path box's text.
    QString path() const;
    // Opens a folder and selects the drive that holds it. False when it does not exist.
    bool openFolder(const QString& folder);
    void chooseDrive(int index);

private:
    void fillFolderList();

    QList<drives::Drive> m_drives;
    QString m_folder;
    QComboBox* m_driveList = nullptr;
    QListWidget* m_folderList = nullptr;
    QLineEdit* m_pathBox = nullptr;
};
