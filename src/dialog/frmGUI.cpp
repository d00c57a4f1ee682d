#include "frmGUI.h"

#include "DestinationIcons.h"
#include "Folders.h"
#include "MessageBox.h"
#include "Printers.h"
#include "ReadingRules.h"
#include "ServerSettings.h"
#include "UpDownButtons.h"
#include "WatermarkList.h"
#include "frmMonitor.h"
#include "modGDIp.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace {

constexpr int twipsPerPixel = 15;

QRect twipsToPixels(const QRect& r)
{
    return {r.x() / twipsPerPixel, r.y() / twipsPerPixel, r.width() / twipsPerPixel, r.height() / twipsPerPixel};
}

} // namespace

frmGUI::frmGUI(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGUI"));
    setWindowTitle(QStringLiteral("Druckdialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_job.setObserver(&m_jobView);

    AutostartTimer.setObjectName(QStringLiteral("AutostartTimer"));
    AutostartTimer.setSingleShot(true);
    tmrCountdown.setObjectName(QStringLiteral("tmrCountdown"));
    tmrCountdown.setInterval(1000);
    // The output starts at the exact delay; a coarse timer could fire 5 % early.
    AutostartTimer.setTimerType(Qt::PreciseTimer);
    tmrCountdown.setTimerType(Qt::PreciseTimer);

    buildControls();
    connectControls();
    ResetDialog(); // Form_Load
}

frmGUI::~frmGUI()
{
    // Form_Unload: the page text, the watermark table and the picture modes go with the
    // object. The job must not report to a window that is being torn down.
    AutostartTimer.stop();
    tmrCountdown.stop();
    m_job.setObserver(nullptr);
    // The controls outlive this part of the object while the widget base tears them
    // down; none of their signals may reach the handlers any more.
    for (QObject* child : findChildren<QObject*>())
        child->blockSignals(true);
}

std::function<OutputOutcome(frmGUI&, qint16, qint16)>& frmGUI::outputHook()
{
    static std::function<OutputOutcome(frmGUI&, qint16, qint16)> hook;
    return hook;
}

// ---------------------------------------------------------------------------------------
// Loading

void frmGUI::ResetDialog()
{
    // The job starts empty with the dialog.
    FillLists();

    ImageCombo1->setCurrentIndex(0);
    frmEmail->hide();
    frmFax->hide();

    LoadWatermarks();
}

void frmGUI::FillLists()
{
    // Filling selects nothing by itself, as the lists of the design did not: the caller
    // selects what it wants and only that selection runs the handlers.
    {
        const QSignalBlocker block(ImageCombo1);
        ImageCombo1->clear();
        ImageCombo1->addItem(destinationIcon(5), QStringLiteral("Pdf-Dokument"), 5);
        ImageCombo1->addItem(destinationIcon(2), QStringLiteral("e-Mail"), 2);
        for (const QString& name : printers::installedPrinters()) {
            const qint16 kind = name.contains(QLatin1StringView("FRITZfax"), Qt::CaseSensitive) ? 4 : 3;
            ImageCombo1->addItem(destinationIcon(kind), name, kind);
        }
        ImageCombo1->setCurrentIndex(-1);
    }

    {
        const QSignalBlocker block(Combo1);
        Combo1->clear();
        // The platform's file search matches the patterns without regard to case.
        const QDir program(folders::programFolder());
        for (const char* pattern : {"*.bmp", "*.gif", "*.jpg"}) {
            const QStringList names = program.entryList({QString::fromLatin1(pattern)},
                                                        QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
            for (const QString& name : names)
                Combo1->addItem(name.toUpper());
        }
        Combo1->setCurrentIndex(-1);
    }

    if (Combo1->count() == 0) {
        Option1[0]->setChecked(true);
        rules::write(settingsFile(), keys::PDevice, keys::PicPage.key(), QStringLiteral("0"));
    }
}

void frmGUI::LoadWatermarks()
{
    // A file that cannot be read leaves the list as it is: empty, not even "Ohne".
    QStringList names;
    if (!::LoadWatermarks(m_job, names))
        return;
    const QSignalBlocker block(Combo2);
    Combo2->clear();
    Combo2->addItems(names);
    Combo2->setCurrentIndex(-1);
}

// ---------------------------------------------------------------------------------------
// Control events

void frmGUI::ImageCombo1_Click(qint16 Index)
{
    if (Index != 0)
        return;
    frmEmail->hide();
    frmFax->hide();
    const qint16 kind = destinationKind(Index);
    if (kind == 2)
        frmEmail->show();
    else if (kind == 4)
        frmFax->show();
}

void frmGUI::Option1_Click(qint16 Index)
{
    if (Index < 0 || Index > 8)
        return;
    m_picPageMode[Index / 3] = qint16(Index % 3);
}

void frmGUI::Text1_Change(qint16 Index)
{
    if (Index != 0)
        return;
    // A bar cannot take a maximum at or below its minimum; such a copies text leaves it.
    const qint32 copies = rules::wholeNumber(Text1->text());
    if (copies > ProgressBar2->minimum())
        ProgressBar2->setMaximum(copies);
}

void frmGUI::Combo1_Click()
{
    const QString name = Combo1->currentText();
    if (name.isEmpty())
        return;
    // The list shows the names in upper case; find the file whatever case it has.
    const QDir program(folders::programFolder());
    QString path = program.filePath(name);
    if (!QFileInfo(path).isFile()) {
        const QStringList all = program.entryList(QDir::Files | QDir::Hidden | QDir::System);
        const auto it = std::find_if(all.begin(), all.end(),
                                     [&](const QString& f) { return f.compare(name, Qt::CaseInsensitive) == 0; });
        if (it == all.end())
            return;
        path = program.filePath(*it);
    }

    LoadPictureBox(path, m_picture1);
    showThumbnail();
}

void frmGUI::showThumbnail()
{
    if (m_picture1.isEmpty()) {
        Image1->clear();
        return;
    }
    Image1->setPixmap(
        QPixmap::fromImage(m_picture1.picture().scaled(Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

// ---------------------------------------------------------------------------------------
// Buttons and timers

void frmGUI::Command3_Click()
{
    // The output lets window events run; a second Start meanwhile would output the job
    // twice at once, so it is ignored, as is a Start after the dialog began to unload.
    if (m_outputRunning || m_unloading)
        return;
    stopCountdown();

    m_outputRunning = true;
    OutputOutcome outcome;
    try {
        outcome = StartOutput(0);
    } catch (...) {
        outcome =
            OutputOutcome::failure(QStringLiteral("Die Ausgabe wurde durch einen unerwarteten Fehler abgebrochen."));
    }
    m_outputRunning = false;

    SaveDialogSettings();
    if (outcome.ok() && !Check2->isChecked()) {
        unloadDialog();
        return;
    }
    // The job stays: after a failure or a cancel the user may pick another destination
    // and start again, and "repeat" asks for another start anyway.
    ProgressBar1->setValue(0);
    ProgressBar2->setValue(0);
    if (outcome.failed()) {
        // A job that ran unseen shows itself now, or nobody would ever learn of it.
        if (!isVisible()) {
            m_job.OnlyBackground = false;
            showOnTop();
        }
        showOutputFailure(outcome);
        reportWaitingWhenHeadless();
    }
}

void frmGUI::Command1_Click(qint16 Index)
{
    if (Index != 0 || m_unloading)
        return;
    // Whoever looks at the pages decides when they go out: the countdown stops, so the
    // job cannot be output, and the dialog unload, under the open preview.
    stopCountdown();

    frmMonitor monitor(this);
    monitor.f = &m_context;
    monitor.PrinterNumber = Index;
    monitor.LeftMargin = m_job.LeftSpace;
    monitor.PageCounter = m_job.PageCount();
    const qint32 watermark = WatermarkPosition(Index);
    if (watermark >= 1 && watermark <= m_job.Watermarks().size())
        monitor.Watermarke = m_job.Watermarks()[watermark - 1];
    const int range = rangeOption();
    monitor.Range = qint16(range == 0 || range == 1 ? range : 2);
    monitor.Orientation = m_job.Landscape() ? 2 : 1;
    chosenPageRange(monitor.Firstpage_M, monitor.Lastpage_M);
    monitor.exec();
}

void frmGUI::Command2_Click()
{
    // A running output reads this job; the dialog cannot go away under it.
    if (m_outputRunning || m_unloading)
        return;
    stopCountdown();
    SaveDialogSettings();
    unloadDialog();
}

void frmGUI::Command4_Click()
{
    stopCountdown();
}

void frmGUI::AutostartTimer_Timer()
{
    AutostartTimer.stop();
    Command3_Click();
}

void frmGUI::tmrCountdown_Timer()
{
    // The bar refuses a value below its minimum, so 1.5 seconds show 0.5 and stay there.
    if (m_countdownValue != 0.0f && m_countdownValue - 1.0f >= 0.0f)
        setCountdownValue(m_countdownValue - 1.0f);
}

void frmGUI::reject()
{
    if (m_unloading)
        QDialog::reject();
    else
        Command2_Click();
}

void frmGUI::showOnTop()
{
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    show();
    if (!msgbox::isHeadless()) // nothing to raise without a display
        raise();
    QCoreApplication::processEvents();
}

void frmGUI::unloadDialog()
{
    m_unloading = true;
    AutostartTimer.stop();
    tmrCountdown.stop();
    emit unloaded();
    done(QDialog::Rejected);
    // A dialog that was never shown is deleted as well: it printed on its own.
    deleteLater();
}

void frmGUI::reportWaitingWhenHeadless()
{
    if (m_waitingReported || !msgbox::isHeadless() || AutostartTimer.isActive() || m_outputRunning || m_unloading)
        return;
    m_waitingReported = true;
    msgbox::log(windowTitle(), QStringLiteral("wartet auf Start oder Abbruch. Für Ausgabe ohne Fenster in ") +
                                   settingsFile() +
                                   QStringLiteral(" setzen: [Pserver] AutoStart=1, HideMode=1; [PDevice] "
                                                  "Printer0=Pdf-Dokument (oder ein Druckername)"));
}

void frmGUI::showOutputFailure(const OutputOutcome& outcome)
{
    const QString text =
        outcome.message.isEmpty() ? QStringLiteral("Die Ausgabe ist fehlgeschlagen.") : outcome.message;
    msgbox::show(text, QStringLiteral("Fehler!"), msgbox::Icon::Critical);
}

// ---------------------------------------------------------------------------------------
// Output

OutputOutcome frmGUI::StartOutput(qint16 Index)
{
    const qint16 kind = destinationKind(Index);
    if (outputHook())
        return outputHook()(*this, kind, Index);
    return PrintToDevice(kind, this, Index);
}

QString frmGUI::destinationText(qint16 slot) const
{
    return slot == 0 ? ImageCombo1->currentText() : QString();
}

qint16 frmGUI::destinationKind(qint16 slot) const
{
    if (slot != 0 || ImageCombo1->currentIndex() < 0)
        return 0;
    return qint16(ImageCombo1->currentData(Qt::UserRole).toInt());
}

QString frmGUI::copiesText(qint16 slot) const
{
    return slot == 0 ? Text1->text() : QString();
}

QString frmGUI::faxNumberText(qint16 slot) const
{
    return slot == 0 ? Text5->text() : QString();
}

QString frmGUI::emailText(qint16 slot) const
{
    return slot == 0 ? Text4->text() : QString();
}

int frmGUI::rangeOption() const
{
    if (Option2_0->isChecked())
        return 0;
    if (Option2_1->isChecked())
        return 1;
    return -1;
}

QString frmGUI::fromPageText() const
{
    return Text2->text();
}

QString frmGUI::toPageText() const
{
    return Text3->text();
}

qint16 frmGUI::PicPageMode(qint16 slot) const
{
    return slot >= 0 && slot < qint16(m_picPageMode.size()) ? m_picPageMode[slot] : 0;
}

qint32 frmGUI::WatermarkPosition(qint16 slot) const
{
    return slot == 0 ? Combo2->currentIndex() : -1;
}

void frmGUI::setProgressMaximum(qint16 slot, qint32 pages, qint32 total)
{
    if (slot != 0)
        return;
    if (pages > 0)
        ProgressBar1->setMaximum(pages);
    if (total > 0)
        ProgressBar2->setMaximum(total);
}

void frmGUI::setProgressValue(qint16 slot, qint32 pages, qint32 total)
{
    if (slot != 0)
        return;
    ProgressBar1->setValue(std::clamp(pages, ProgressBar1->minimum(), ProgressBar1->maximum()));
    ProgressBar2->setValue(std::clamp(total, ProgressBar2->minimum(), ProgressBar2->maximum()));
}

void frmGUI::processEvents()
{
    QCoreApplication::processEvents();
}

// ---------------------------------------------------------------------------------------
// What the job reports

void frmGUI::pageCountChanged(qint32 pageCount)
{
    Text3->setText(QString::number(pageCount));
    if (pageCount > ProgressBar1->minimum())
        ProgressBar1->setMaximum(pageCount);
    UpDown2->setMaximum(pageCount);
    UpDown3->setMaximum(pageCount);
    UpDown3->setValue(pageCount);
}

void frmGUI::pagePictureGeometryChanged(const QRect& picture, const QRect& shadow)
{
    m_pagePicture->setGeometry(twipsToPixels(picture));
    m_pageShadow->setGeometry(twipsToPixels(shadow));
    Image1->setGeometry(m_pagePicture->rect().adjusted(4, 4, -4, -4));
    showThumbnail();
}

void frmGUI::emailChanged(const QString& recipients)
{
    Text4->setText(recipients);
}

void frmGUI::faxChanged(const QString& number)
{
    Text5->setText(number);
}
