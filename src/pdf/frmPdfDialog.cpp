#include "frmPdfDialog.h"

#include "MessageBox.h"
#include "PdfOutput.h"

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

frmPdfDialog::frmPdfDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPdfDialog"));
    setWindowTitle(QStringLiteral("PDF Erstellung"));
    // The question must not hide behind the print dialog or the reader it may open.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_frame1 = new QGroupBox(QStringLiteral("pdf wird erstellt unter"), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));

    m_text3 = fixedBox(QStringLiteral("Text3"), m_frame1);
    m_text1 = new QLineEdit(QStringLiteral("Text1"), m_frame1);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setMinimumWidth(220);
    m_text2 = fixedBox(QStringLiteral("Text2"), m_frame1);
    m_text2->setText(QStringLiteral(".pdf"));
    m_text2->setMaximumWidth(m_text2->fontMetrics().horizontalAdvance(QStringLiteral(".pdf ")) + 8);

    auto* shape1 = new QFrame(m_frame1);
    shape1->setObjectName(QStringLiteral("Shape1"));
    shape1->setFrameShape(QFrame::HLine);
    shape1->setFrameShadow(QFrame::Sunken);

    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(0);
    nameRow->addWidget(m_text1, 1);
    nameRow->addWidget(m_text2);
    auto* frameLayout = new QVBoxLayout(m_frame1);
    frameLayout->addWidget(m_text3);
    frameLayout->addWidget(shape1);
    frameLayout->addLayout(nameRow);

    m_okButton = new QPushButton(QStringLiteral("fertig"), this);
    m_okButton->setObjectName(QStringLiteral("OKButton"));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_frame1);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(m_okButton);
    layout->addLayout(buttonRow);

    connect(m_text1, &QLineEdit::textChanged, this, &frmPdfDialog::Text1_Change);
    m_text1->installEventFilter(this);
    setPdfPath(QString());
    Text1_Change();
}

void frmPdfDialog::setPdfFile(const QString& name)
{
    m_pdfFile = name;
    m_text1->setText(name);
    // setText() does not signal when the text is unchanged, but the folder may have
    // changed since it was last checked.
    Text1_Change();
}

void frmPdfDialog::setPdfPath(const QString& folder)
{
    m_pdfPath = folder;
    m_text3->setText(QDir::toNativeSeparators(folder) + QDir::separator());
    m_text3->setCursorPosition(0);
    Text1_Change();
}

void frmPdfDialog::done(int result)
{
    // Every way of closing (the button, Esc, the window's close button) ends here.
    m_pdfFile = m_text1->text();
    QDialog::done(result);
}

bool frmPdfDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_text1 && event->type() == QEvent::FocusIn) {
        // After the line edit's own focus handling, which would place the cursor where
        // a mouse click landed.
        QTimer::singleShot(0, m_text1, [box = m_text1] {
            if (!box->text().isEmpty())
                box->setSelection(0, box->text().length());
        });
    }
    return QDialog::eventFilter(watched, event);
}

void frmPdfDialog::Text1_Change()
{
    // A name that leads out of the folder is refused by the output as well.
    const QString text = m_text1->text();
    m_okButton->setEnabled(!text.isEmpty() && FoldersExist(text) && pdfNameProblem(text).isEmpty());
}

bool frmPdfDialog::FoldersExist(const QString& name) const
{
    QString path = m_pdfPath + QLatin1Char('/') + name;
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
        frmPdfDialog dialog(parent);
        dialog.setPdfPath(folder);
        dialog.setPdfFile(proposedName);
        dialog.exec();
        answer = dialog.pdfFile();
    }
    return answer.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

void setNextPdfFileName(const QString& name)
{
    nextAnswer() = name;
}
