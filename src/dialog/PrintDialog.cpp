#include "dialog/PrintDialog.h"

#include "dialog/DestinationIcons.h"
#include "dialog/OutputDispatch.h"
#include "job/Job.h"
#include "pages/PictureFiles.h"
#include "pdf/PdfNameDialog.h"
#include "platform/Folders.h"
#include "platform/MessageBox.h"
#include "preview/PreviewWindow.h"
#include "settings/ReadingRules.h"
#include "settings/SettingsKeys.h"
#include "widgets/UpDownButtons.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cmath>

namespace {

// The icon number the destination list's pictures go by.
qint16 iconOf(Destination destination)
{
    switch (destination) {
    case Destination::Mail:
        return 2;
    case Destination::Printer:
        return 3;
    case Destination::FaxPrinter:
        return 4;
    default:
        return 5;
    }
}

// Selects the first entry whose text equals the value exactly; nothing when none does.
void selectEqualEntry(QComboBox* list, const QString& value)
{
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i) == value) {
            list->setCurrentIndex(i);
            return;
        }
    }
}

// A range box as a page number: its whole number clamped to 1..pageCount, or the
// fallback when the box does not start with a number.
qint32 pageFromBox(const QString& text, qint32 fallback, qint32 pageCount)
{
    if (pageCount < 1)
        return fallback;
    const QString trimmed = text.trimmed();
    const bool numeric =
        !trimmed.isEmpty() && (trimmed[0].isDigit() || trimmed[0] == u'+' || trimmed[0] == u'-' || trimmed[0] == u'.');
    const qint32 page = numeric ? rules::wholeNumber(trimmed) : fallback;
    return std::clamp(page, 1, pageCount);
}

} // namespace

// The dialog's progress bars, and its window as the parent of the PDF name dialog.
class PrintDialog::Progress final : public OutputProgress
{
public:
    explicit Progress(PrintDialog& dialog) : m_dialog(dialog) {}
    void setMaxima(qint32 pages, qint32 total) override
    {
        if (pages > 0)
            m_dialog.pageProgress->setMaximum(pages);
        if (total > 0)
            m_dialog.totalProgress->setMaximum(total);
    }
    void setValues(qint32 page, qint32 total) override
    {
        QProgressBar* bars[] = {m_dialog.pageProgress, m_dialog.totalProgress};
        const qint32 values[] = {page, total};
        for (int i = 0; i < 2; ++i)
            bars[i]->setValue(std::clamp(values[i], bars[i]->minimum(), bars[i]->maximum()));
    }
    void letEventsRun() override { QCoreApplication::processEvents(); }
    QString askPdfName(const QString& folder, const QString& proposed) override
    {
        return askPdfFileName(folder, proposed, &m_dialog);
    }

private:
    PrintDialog& m_dialog;
};

PrintDialog::PrintDialog(const Job& job, QWidget* parent) : QDialog(parent), m_job(job)
{
    setObjectName(QStringLiteral("PrintDialog"));
    setWindowTitle(QStringLiteral("Druckdialog"));
    // Children of the dialog, so they can be found by name; members, so they go first.
    m_autoStartTimer.setParent(this);
    m_countdownTick.setParent(this);
    m_autoStartTimer.setObjectName(QStringLiteral("autoStartTimer"));
    m_autoStartTimer.setSingleShot(true);
    // The output starts at the exact delay; a coarse timer could fire 5 % early.
    m_autoStartTimer.setTimerType(Qt::PreciseTimer);
    m_countdownTick.setInterval(1000);
    m_countdownTick.setTimerType(Qt::PreciseTimer);

    buildControls();
    connectControls();
    fillLists();
    restoreChoices();
}

PrintDialog::~PrintDialog()
{
    m_autoStartTimer.stop();
    m_countdownTick.stop();
    // The controls outlive this part of the object while the widget base tears them
    // down; none of their signals may reach the handlers any more.
    for (QObject* child : findChildren<QObject*>())
        child->blockSignals(true);
}

// ---------------------------------------------------------------------------------------
// Loading

void PrintDialog::fillLists()
{
    // Filling selects nothing by itself: only the selection made afterwards runs the
    // handlers.
    {
        const QSignalBlocker block(destinationCombo);
        for (const DestinationEntry& entry : destinationEntries())
            destinationCombo->addItem(destinationIcon(iconOf(entry.destination)), entry.name,
                                      QVariant::fromValue(int(entry.destination)));
        destinationCombo->setCurrentIndex(-1);
    }
    {
        const QSignalBlocker block(pictureCombo);
        // The platform's file search matches the patterns without regard to case.
        const QDir program(folders::programFolder());
        for (const char* pattern : {"*.bmp", "*.gif", "*.jpg", "*.jpeg", "*.png"}) {
            const QStringList names = program.entryList({QString::fromLatin1(pattern)},
                                                        QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
            for (const QString& name : names)
                pictureCombo->addItem(name.toUpper());
        }
        pictureCombo->setCurrentIndex(-1);
    }
    {
        // A watermark file that could not be read leaves the list empty, not even "Ohne".
        const QSignalBlocker block(watermarkCombo);
        watermarkCombo->addItems(m_job.watermarkNames);
        watermarkCombo->setCurrentIndex(-1);
    }
    fromPageSpin->setMaximum(m_job.pageCount());
    toPageSpin->setMaximum(m_job.pageCount());
    toPageSpin->setValue(m_job.pageCount());
    toPageEdit->setText(QString::number(m_job.pageCount()));
    emailEdit->setText(m_job.mailTo);
    faxEdit->setText(m_job.faxNumber);
    showOrientation();
}

void PrintDialog::restoreChoices()
{
    const JobSettings& s = m_job.settings;
    repeatCheck->setChecked(s.repeat);
    if (!s.picture.isEmpty())
        selectEqualEntry(pictureCombo, s.picture.toUpper());

    destinationCombo->setCurrentIndex(0);
    selectEqualEntry(destinationCombo, s.destination);
    destinationChanged();
    if (watermarkCombo->count() > 0) {
        watermarkCombo->setCurrentIndex(0);
        selectEqualEntry(watermarkCombo, s.watermark);
    }
    // Without any picture to choose, no picture is printed.
    pictureModeOptions[pictureCombo->count() == 0 ? 0 : s.pictureMode]->setChecked(true);

    // More copies than the spin buttons offer become that many, so a settings file cannot
    // ask for an endless output; other text is kept as it stands.
    const qint32 copies = rules::wholeNumber(s.copies);
    const bool tooMany = copies > keys::Exemplare.highest;
    copiesEdit->setText(tooMany ? QString::number(keys::Exemplare.highest) : s.copies);
    if (copies >= copiesSpin->minimum())
        copiesSpin->setValue(std::min(copies, keys::Exemplare.highest));
    pageProgress->setValue(0);
    totalProgress->setValue(0);
}

QString PrintDialog::settingsFileForChoices() const
{
    return m_job.settings.dialogStateWritable ? m_job.settings.file : QString();
}

void PrintDialog::saveChoices()
{
    // A settings file the user does not keep (a stranger's, or no settings file at all)
    // is read, never written.
    const QString file = settingsFileForChoices();
    if (file.isEmpty())
        return;
    auto write = [&](const QString& key, const QString& text) { rules::write(file, keys::PDevice, key, text); };
    write(QStringLiteral("Printer0"), destinationCombo->currentText());
    write(QStringLiteral("PicPage0"), rules::signedNumber(std::max(m_pictureModeGroup->checkedId(), 0)));
    write(QStringLiteral("Exemplare0"), copiesEdit->text());
    write(keys::Repeat.key(), rules::signedNumber(repeatCheck->isChecked() ? 1 : 0));
    write(QStringLiteral("Water0"), watermarkCombo->currentText());
    // A remembered picture that is not there at the moment stays remembered.
    write(keys::Picture.key(),
          pictureCombo->currentIndex() >= 0 ? pictureCombo->currentText() : m_job.settings.picture);
}

// ---------------------------------------------------------------------------------------
// Controls

OutputRequest PrintDialog::request() const
{
    OutputRequest request;
    if (destinationCombo->currentIndex() >= 0)
        request.destination = Destination(destinationCombo->currentData().toInt());
    request.printerName = destinationCombo->currentText();
    request.copies = std::clamp(rules::wholeNumber(copiesEdit->text()), -32768, 32767);
    if (allPagesOption->isChecked()) {
        request.fromPage = 1;
        request.toPage = m_job.pageCount();
    } else {
        request.fromPage = pageFromBox(fromPageEdit->text(), 1, m_job.pageCount());
        request.toPage = pageFromBox(toPageEdit->text(), m_job.pageCount(), m_job.pageCount());
    }
    request.pictureMode = qint16(std::max(m_pictureModeGroup->checkedId(), 0));
    request.picture = m_picture;
    const int watermark = watermarkCombo->currentIndex();
    if (watermark >= 1 && watermark <= m_job.watermarks.size())
        request.watermark = m_job.watermarks[watermark - 1];
    request.mailTo = emailEdit->text();
    request.faxNumber = faxEdit->text();
    request.documentName = m_documentName;
    return request;
}

void PrintDialog::destinationChanged()
{
    const Destination destination =
        destinationCombo->currentIndex() < 0 ? Destination::None : Destination(destinationCombo->currentData().toInt());
    emailFrame->setVisible(destination == Destination::Mail);
    faxFrame->setVisible(destination == Destination::FaxPrinter);
}

void PrintDialog::copiesChanged()
{
    // A bar cannot take a maximum at or below its minimum; such a copies text leaves it.
    const qint32 copies = rules::wholeNumber(copiesEdit->text());
    if (copies > totalProgress->minimum())
        totalProgress->setMaximum(copies);
}

void PrintDialog::pictureChosen()
{
    // The list shows the names in upper case; the file may have any case.
    const QString name = pictureCombo->currentText();
    m_picture = name.isEmpty()
                    ? QImage()
                    : picturefiles::load(folders::findIn(folders::programFolder(), name), picturefiles::Source::Program)
                          .value_or(QImage());
    showThumbnail();
}

void PrintDialog::showThumbnail()
{
    if (m_picture.isNull()) {
        pictureThumbnail->clear();
        return;
    }
    pictureThumbnail->setPixmap(
        QPixmap::fromImage(m_picture.scaled(pictureThumbnail->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

// ---------------------------------------------------------------------------------------
// Buttons and the countdown

void PrintDialog::showOnTop()
{
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    show();
    if (!msgbox::isHeadless()) // nothing to raise without a display
        raise();
    const JobSettings& s = m_job.settings;
    if (s.autoStart) {
        // The bar holds seconds as a single-precision number (1.5 for 1500 ms); the widget
        // counts in milliseconds so that fractions show.
        m_countdownMaximum = float(s.autoStartDelay) / 1000.0f;
        countdownBar->setRange(0, std::max(s.autoStartDelay, 1)); // an empty range would animate as "busy"
        setCountdownValue(m_countdownMaximum);
        countdownStrip->show();
        m_autoStartTimer.start(std::max(s.autoStartDelay, 0));
        m_countdownTick.start();
    }
    QCoreApplication::processEvents();
}

void PrintDialog::start()
{
    // The output lets window events run; a second Start meanwhile would output the job
    // twice at once, so it is ignored, as is a Start after the dialog began to close.
    if (m_outputRunning || m_closing)
        return;
    stopCountdown();

    m_outputRunning = true;
    Progress progress(*this);
    const OutputOutcome outcome = runOutput(m_job, request(), progress, true);
    m_outputRunning = false;
    if (outcome.ok() && !outcome.documentName.isEmpty())
        m_documentName = outcome.documentName;

    saveChoices();
    if (outcome.ok() && !repeatCheck->isChecked()) {
        close();
        return;
    }
    // The job stays: after a failure or a cancel the user may pick another destination
    // and start again, and "repeat" asks for another start anyway.
    pageProgress->setValue(0);
    totalProgress->setValue(0);
    if (outcome.failed()) {
        msgbox::show(outcome.message.isEmpty() ? QStringLiteral("Die Ausgabe ist fehlgeschlagen.") : outcome.message,
                     QStringLiteral("Fehler!"), msgbox::Icon::Critical);
        reportWaitingWhenHeadless();
    }
}

void PrintDialog::cancel()
{
    // A running output reads this job; the dialog cannot go away under it.
    if (m_outputRunning || m_closing)
        return;
    stopCountdown();
    saveChoices();
    close();
}

void PrintDialog::openPreview()
{
    if (m_closing)
        return;
    // Whoever looks at the pages decides when they go out: the countdown stops, so the
    // job cannot be output, and the dialog closed, under the open preview.
    stopCountdown();
    const OutputRequest pages = request();
    PreviewWindow preview(m_job, pages, this);
    preview.firstPage = pages.fromPage;
    preview.lastPage = pages.toPage;
    preview.exec();
}

void PrintDialog::stopCountdown()
{
    m_autoStartTimer.stop();
    m_countdownTick.stop();
    countdownStrip->hide();
}

void PrintDialog::countdownTick()
{
    // The bar refuses a value below its minimum, so 1.5 seconds show 0.5 and stay there.
    if (m_countdownValue != 0.0f && m_countdownValue - 1.0f >= 0.0f)
        setCountdownValue(m_countdownValue - 1.0f);
}

void PrintDialog::countdownEnded()
{
    m_autoStartTimer.stop();
    start();
}

void PrintDialog::setCountdownValue(float seconds)
{
    m_countdownValue = seconds;
    countdownBar->setValue(int(std::lround(double(seconds) * 1000.0)));
}

void PrintDialog::reject()
{
    if (m_closing)
        QDialog::reject();
    else
        cancel();
}

void PrintDialog::close()
{
    m_closing = true;
    stopCountdown();
    done(QDialog::Rejected);
    emit finished();
}

void PrintDialog::reportWaitingWhenHeadless()
{
    if (m_waitingReported || !msgbox::isHeadless() || m_autoStartTimer.isActive() || m_outputRunning || m_closing)
        return;
    m_waitingReported = true;
    msgbox::log(windowTitle(), QStringLiteral("wartet auf Start oder Abbruch. Für Ausgabe ohne Fenster in ") +
                                   m_job.settings.file +
                                   QStringLiteral(" setzen: [Pserver] AutoStart=1, HideMode=1; [PDevice] "
                                                  "Printer0=Pdf-Dokument (oder ein Druckername)"));
}
