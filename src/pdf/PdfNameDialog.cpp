#include "pdf/PdfNameDialog.h"

#include "pdf/PdfOutput.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>

namespace {

std::optional<QString>& nextAnswer()
{
    static std::optional<QString> answer;
    return answer;
}

QLineEdit* fixedBox(const QString& name, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setFrame(false);
    return box;
}

} // namespace

PdfNameDialog::PdfNameDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PdfNameDialog"));
    setWindowTitle(QStringLiteral("PDF Erstellung"));
    // The question must not hide behind the print dialog or the reader it may open.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_frame = new QGroupBox(QStringLiteral("pdf wird erstellt unter"), this);
    m_frame->setObjectName(QStringLiteral("frame"));

    m_folderBox = fixedBox(QStringLiteral("folderBox"), m_frame);
    m_nameEdit = new QLineEdit(m_frame);
    m_nameEdit->setObjectName(QStringLiteral("nameEdit"));
    m_nameEdit->setMinimumWidth(220);
    m_extensionBox = fixedBox(QStringLiteral("extensionBox"), m_frame);
    m_extensionBox->setText(QStringLiteral(".pdf"));
    m_extensionBox->setMaximumWidth(m_extensionBox->fontMetrics().horizontalAdvance(QStringLiteral(".pdf ")) + 8);

    auto* shape1 = new QFrame(m_frame);
    shape1->setObjectName(QStringLiteral("line"));
    shape1->setFrameShape(QFrame::HLine);
    shape1->setFrameShadow(QFrame::Sunken);

    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(0);
    nameRow->addWidget(m_nameEdit, 1);
    nameRow->addWidget(m_extensionBox);
    auto* frameLayout = new QVBoxLayout(m_frame);
    frameLayout->addWidget(m_folderBox);
    frameLayout->addWidget(shape1);
    frameLayout->addLayout(nameRow);

    m_okButton = new QPushButton(QStringLiteral("fertig"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_frame);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(m_okButton);
    layout->addLayout(buttonRow);

    connect(m_nameEdit, &QLineEdit::textChanged, this, &PdfNameDialog::checkName);
    m_nameEdit->installEventFilter(this);
    setFolder(QString());
    checkName();
}

void PdfNameDialog::setName(const QString& name)
{
    m_name = name;
    m_nameEdit->setText(name);
    // setText() does not signal when the text is unchanged, but the folder may have
    // changed since it was last checked.
    checkName();
}

void PdfNameDialog::setFolder(const QString& folder)
{
    m_folder = folder;
    m_folderBox->setText(QDir::toNativeSeparators(folder) + QDir::separator());
    m_folderBox->setCursorPosition(0);
    checkName();
}

void PdfNameDialog::done(int result)
{
    // Every way of closing (the button, Esc, the window's close button) ends here.
    m_name = m_nameEdit->text();
    QDialog::done(result);
}

bool PdfNameDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_nameEdit && event->type() == QEvent::FocusIn) {
        // After the line edit's own focus handling, which would place the cursor where
        // a mouse click landed.
        QTimer::singleShot(0, m_nameEdit, [box = m_nameEdit] {
            if (!box->text().isEmpty())
                box->setSelection(0, box->text().length());
        });
    }
    return QDialog::eventFilter(watched, event);
}

void PdfNameDialog::checkName()
{
    // A name that leads out of the folder is refused by the output as well.
    const QString text = m_nameEdit->text();
    m_okButton->setEnabled(!text.isEmpty() && foldersExist(text) && !leavesFolder(text));
}

bool PdfNameDialog::foldersExist(const QString& name) const
{
    QString path = m_folder + QLatin1Char('/') + name;
    if (path.isEmpty())
        return false;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    for (qsizetype sep = path.indexOf(QLatin1Char('/')); sep >= 0; sep = path.indexOf(QLatin1Char('/'), sep + 1)) {
        if (!QFileInfo(path.left(sep + 1)).isDir())
            return false;
    }
    return true;
}

QString askPdfFileName(const QString& folder, const QString& proposedName, QWidget* parent)
{
    QString answer;
    if (nextAnswer()) {
        answer = *nextAnswer();
        nextAnswer().reset();
    } else if (msgbox::isHeadless()) {
        answer = proposedName;
    } else {
        PdfNameDialog dialog(parent);
        dialog.setFolder(folder);
        dialog.setName(proposedName);
        dialog.exec();
        answer = dialog.name();
    }
    return answer.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

void setNextPdfFileName(const QString& name)
{
    nextAnswer() = name;
}
