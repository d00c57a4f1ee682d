// The dialog state kept in the job's settings file, and the automatic start.
#include "frmGUI.h"

#include "ReadingRules.h"
#include "ServerSettings.h"
#include "UpDownButtons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>

#include <cmath>

namespace {

// Whether a file of that name exists in the folder, matched without regard to case as
// the platform's file system does.
bool fileExistsIn(const QString& folder, const QString& name)
{
    const QDir dir(folder);
    if (QFileInfo(dir.filePath(name)).isFile())
        return true;
    const QStringList all = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    return std::any_of(all.begin(), all.end(),
                       [&](const QString& f) { return f.compare(name, Qt::CaseInsensitive) == 0; });
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

} // namespace

QString frmGUI::settingsFile() const
{
    // Before the poller names the job's settings file (while the form loads), the
    // default settings file is the one in force.
    return m_job.IniFile().isEmpty() ? DefaultSettingsFile() : m_job.IniFile();
}

void frmGUI::init()
{
    const QString file = settingsFile();
    auto pdevice = [&](const keys::Key& key, const QString& suffix = QString()) {
        return rules::readRaw(file, keys::PDevice, key.key() + suffix, key.fallback());
    };

    // 1. Repeat printing.
    Check2->setChecked(pdevice(keys::Repeat).startsWith(u'1'));

    // 2. The background picture, when its file is still there. Selecting it loads it.
    const QString picture = rules::stringValue(pdevice(keys::Picture));
    if (!picture.isEmpty() && fileExistsIn(QFileInfo(DefaultSettingsFile()).absolutePath(), picture))
        selectEqualEntry(Combo1, picture.toUpper());

    // 3.-5. Automatic start, hidden output, delay and left margin.
    m_job.AutoStart = readServerFlag(file, keys::AutoStart);
    m_job.OnlyBackground = readServerFlag(file, keys::HideMode);
    AutoStartDelay = readServerNumber(file, keys::AutoStartDelay);
    AutostartTimer.setInterval(std::max(AutoStartDelay, 0));
    m_job.LeftSpace = readServerNumber(file, keys::LeftSpace);

    // 6. The output slot. Only slot 0 is built; the keys of the others are not read.
    restoreSlot(0);

    // 7. The print settings the outputs use come from this job's file.
    LoadServerSettings(file);

    // 8. The countdown is armed now and starts once the job is completely read.
    if (m_job.AutoStart)
        armCountdown();
}

void frmGUI::restoreSlot(qint16 slot)
{
    const QString file = settingsFile();
    const QString digit = QString::number(slot);
    auto value = [&](const keys::Key& key) {
        return rules::stringValue(rules::readRaw(file, keys::PDevice, key.key() + digit, key.fallback()));
    };

    ImageCombo1->setCurrentIndex(0);
    selectEqualEntry(ImageCombo1, value(keys::Printer));

    if (Combo2->count() > 0) {
        Combo2->setCurrentIndex(0);
        selectEqualEntry(Combo2, value(keys::Water));
    }

    // A mode outside 0 to 2 would name an option of another slot; it means no picture.
    qint32 mode = rules::wholeNumber(value(keys::PicPage));
    if (mode < 0 || mode > 2)
        mode = 0;
    Option1[mode]->setChecked(true);

    // More copies than the spin buttons offer become that many, so a settings file cannot
    // ask for an endless output; other text is kept as it stands.
    const QString copies = value(keys::Exemplare);
    const qint32 copiesNumber = rules::wholeNumber(copies);
    const bool tooMany = copiesNumber > keys::Exemplare.maximum;
    Text1->setText(tooMany ? QString::number(keys::Exemplare.maximum) : copies);
    if (copiesNumber >= UpDown1->minimum())
        UpDown1->setValue(std::min(copiesNumber, keys::Exemplare.maximum));

    ProgressBar1->setValue(0);
    ProgressBar2->setValue(0);
}

void frmGUI::SaveDialogSettings()
{
    const QString file = settingsFile();
    auto write = [&](const QString& key, const QString& text) { rules::write(file, keys::PDevice, key, text); };
    write(QStringLiteral("Printer0"), destinationText(0));
    write(QStringLiteral("PicPage0"), rules::signedNumber(PicPageMode(0)));
    write(QStringLiteral("Exemplare0"), Text1->text());
    write(keys::Repeat.key(), rules::signedNumber(Check2->isChecked() ? 1 : 0));
    write(QStringLiteral("Water0"), Combo2->currentText());
    write(keys::Picture.key(), Combo1->currentText());
}

// ---------------------------------------------------------------------------------------
// Countdown

void frmGUI::armCountdown()
{
    // The bar holds seconds as a single-precision number (1.5 for 1500 ms); the widget
    // counts in milliseconds so that fractions show.
    m_countdownMaximum = float(AutoStartDelay) / 1000.0f;
    PBCountdown->setRange(0, std::max(AutoStartDelay, 1)); // an empty range would animate as "busy"
    setCountdownValue(m_countdownMaximum);
    frmAutostart->show();
    m_countdownArmed = true;
    if (m_jobComplete)
        jobComplete();
}

void frmGUI::jobComplete()
{
    m_jobComplete = true;
    if (!m_countdownArmed || AutostartTimer.isActive())
        return;
    // A delay below 1 ms starts the output at once, that is at the next turn of the event
    // loop, after the poller has finished handing the job over.
    AutostartTimer.start(AutoStartDelay < 1 ? 0 : AutoStartDelay);
    tmrCountdown.start();
}

void frmGUI::setCountdownValue(float seconds)
{
    m_countdownValue = seconds;
    PBCountdown->setValue(int(std::lround(double(seconds) * 1000.0)));
}

void frmGUI::stopCountdown()
{
    AutostartTimer.stop();
    tmrCountdown.stop();
    m_countdownArmed = false;
    frmAutostart->hide();
}
