#pragma once

#include <QDialog>
#include <QString>

class QGroupBox;
class QLineEdit;
class QPushButton;

// The small window that asks for the base name of a PDF file. It shows the target
// folder (fixed), the editable base name and the fixed extension, and accepts the name
// only while every folder the name leads through exists below the target folder (no
// ".." and no absolute path).
// Whichever way the window closes, name() afterwards holds the text of the name box;
// the caller takes it as the base name, even an empty one.
class PdfNameDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PdfNameDialog(QWidget* parent = nullptr);

    QString name() const { return m_name; }
    // Stores the name and puts it into the name box, which checks it again.
    void setName(const QString& name);
    // Stores the folder and shows it with a separator appended, always.
    void setFolder(const QString& folder);

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Enables "fertig" for a name that stays inside the folder and whose folders exist.
    void checkName();
    // True when folder + separator + name is non-empty and every prefix of it that ends
    // in a separator ("\" counts as one too) names an existing folder. The part after
    // the last separator, the file name itself, is not tested.
    bool foldersExist(const QString& name) const;

    QString m_name;
    QString m_folder;
    QGroupBox* m_frame = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QLineEdit* m_extensionBox = nullptr;
    QLineEdit* m_folderBox = nullptr;
    QPushButton* m_okButton = nullptr;
};

// Asks for the base name of a PDF file in `folder`, proposing `proposedName`, and
// returns the answer with "\" read as a folder separator (turned into "/"). Without a
// display the window is not shown and the proposed name comes back at once, so a
// headless server never waits.
QString askPdfFileName(const QString& folder, const QString& proposedName, QWidget* parent = nullptr);

// Test hook: the next askPdfFileName() returns `name` without showing anything.
void setNextPdfFileName(const QString& name);
