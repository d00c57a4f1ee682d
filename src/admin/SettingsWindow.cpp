#include "admin/SettingsWindow.h"

#include "admin/FolderChooser.h"
#include "admin/FontFamilyList.h"
#include "admin/WatermarkEditor.h"
#include "engine/TrayIcon.h"
#include "platform/Autostart.h"
#include "platform/Folders.h"
#include "platform/MessageBox.h"
#include "platform/Profile.h"
#include "settings/JobFiles.h"
#include "settings/ReadingRules.h"
#include "settings/SettingsKeys.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShowEvent>
#include <QTableWidget>

#include <cstdlib>

namespace {

// The mail text this window offers when the settings file has none; "|" ends a line.
// Any desktop opens the attached PDF, so the text only names the attachment.
const QString DefaultMailText = QStringLiteral("1 Anlage||Mit freundlichen Grüßen");

QString file()
{
    return DefaultSettingsFile();
}

// A number key's value as the server uses it: within the key's range.
double storedNumber(const keys::Key& key)
{
    return key.bounded(rules::numericValue(rules::readRaw(file(), keys::Pserver, key.key(), key.fallback())));
}

// A number key as the window shows it: its numeric value in plain decimal form.
QString shownNumber(const keys::Key& key)
{
    return QString::number(storedNumber(key), 'g', 15);
}

QString watermarkFile()
{
    return folders::join(folders::programFolder(), QStringLiteral("Wasser.txt"));
}

// Writes the keys into one file (a copy of PS.INI that replaces it once every key is
// written), noting whether every write succeeded.
struct KeyWriter
{
    QString file;
    bool ok = true;

    void write(const keys::Key& key, const QString& value) { write(keys::Pserver, key.key(), value); }
    void write(const QString& section, const QString& key, const QString& value)
    {
        ok = rules::write(file, section, key, value) && ok;
    }
    void writeNumber(const keys::Key& key, const QString& text)
    {
        write(key, rules::signedNumber(rules::wholeNumber(text)));
    }
    void writeFlag(const keys::Key& key, const QCheckBox* box)
    {
        write(key, rules::signedNumber(box->isChecked() ? 1 : 0));
    }
};

} // namespace

SettingsWindow::SettingsWindow(std::function<void()> reloadServer, QWidget* parent)
    : QWidget(parent), m_reloadServer(std::move(reloadServer))
{
    setObjectName(QStringLiteral("SettingsWindow"));
    setWindowTitle(QStringLiteral("Druckserververwaltung"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    load();
}

SettingsWindow::~SettingsWindow()
{
    SettingsWindowOpen() = false;
}

SettingsWindow* SettingsWindow::showWindow(std::function<void()> reloadServer)
{
    static QPointer<SettingsWindow> window;
    if (!window)
        window = new SettingsWindow(std::move(reloadServer));
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

std::function<void()>& SettingsWindow::endProcessHook()
{
    static std::function<void()> hook = [] { std::_Exit(0); };
    return hook;
}

void SettingsWindow::load()
{
    SettingsWindowOpen() = true;

    m_linesPerPage->setText(shownNumber(keys::LinesPerPage));
    m_linesPerPageQ->setText(shownNumber(keys::LinesPerPageQ));
    m_autoLandscape->setText(shownNumber(keys::AutoLandscape));
    m_signPitch->setText(shownNumber(keys::SignPitch));
    m_barcodePitch->setText(shownNumber(keys::BarCodePitch));
    m_fontname->setFamily(keys::readString(file(), keys::Fontname));
    m_autoStartSeconds->setText(QString::number(storedNumber(keys::AutoStartDelay) / 1000.0, 'g', 15));

    m_autoStart->setChecked(keys::readFlag(file(), keys::AutoStart));
    m_hideMode->setEnabled(m_autoStart->isChecked());
    m_hideMode->setChecked(keys::readFlag(file(), keys::HideMode));

    m_leftSpace->setText(shownNumber(keys::LeftSpace));
    m_topSpace->setText(shownNumber(keys::TopSpace));
    m_addEscSequenz->setText(keys::readString(file(), keys::AddEscSequenz));

    m_pdfFolder->selectStoredFolder(keys::readString(file(), keys::PDFFolder));

    m_pdfMsg->setChecked(keys::readFlag(file(), keys::PDFMSG));
    m_pdfShow->setChecked(keys::readFlag(file(), keys::PDFShow));
    m_mailDelete->setChecked(keys::readFlag(file(), keys::MailDelete));
    m_pdfDlg->setChecked(keys::readFlag(file(), keys::PDFDLG));
    m_pdfPrint->setChecked(keys::readFlag(file(), keys::PdfPrint));
    m_pdfCut->setChecked(keys::readFlag(file(), keys::PdfCut));
    m_pdfEdit->setChecked(keys::readFlag(file(), keys::PdfEdit));
    m_pdfPassword->setText(keys::readString(file(), keys::PdfPassword));
    m_pdfSignatur->setText(keys::readString(file(), keys::PdfSignatur));
    m_pdfBitmap->setChecked(keys::readFlag(file(), keys::PdfBitmap));

    m_mailName->setText(keys::readString(file(), keys::MailName));
    m_mailPW->setText(keys::readString(file(), keys::MailPW));
    m_mailFrom->setText(keys::readString(file(), keys::MailFrom));
    m_betreff->setText(keys::readString(file(), keys::Betreff));
    m_smtpServer->setText(keys::readString(file(), keys::SmtpServer));
    QString mailText = rules::readRaw(file(), keys::Pserver, keys::MailText.key(), DefaultMailText, 4096);
    m_mailText->setPlainText(rules::trimBlanks(mailText.replace(u'|', u'\n')).toString());

    m_mailDirect->setChecked(keys::readFlag(file(), keys::MailDirect));
    m_pdfMailAnhang->setChecked(keys::readFlag(file(), keys::PdfMailAnhang));
    m_layerAtOpen = rules::firstDigitValue(
        rules::readRaw(file(), keys::Pserver, keys::Waterlayer.key(), keys::Waterlayer.fallback()));
    m_watermarks->setLayer(m_layerAtOpen);

    m_registeredAtOpen = autostart::isRegistered();
    m_startWithSystem->setChecked(m_registeredAtOpen);

    m_watermarks->load(watermarkFile());
    showDrives();
}

bool SettingsWindow::writeKeys(const QString& file) const
{
    KeyWriter w{file};
    w.write(keys::LinesPerPage, m_linesPerPage->text());
    w.write(keys::LinesPerPageQ, m_linesPerPageQ->text());
    w.write(keys::AutoLandscape, m_autoLandscape->text());

    w.write(keys::AutoStartDelay,
            rules::signedNumber(qRound64(rules::numericValue(m_autoStartSeconds->text()) * 1000.0)));
    w.writeNumber(keys::SignPitch, m_signPitch->text());
    w.writeNumber(keys::BarCodePitch, m_barcodePitch->text());

    w.write(keys::Fontname, m_fontname->family());
    w.writeFlag(keys::AutoStart, m_autoStart);
    w.writeFlag(keys::HideMode, m_hideMode);

    QString mailText = m_mailText->toPlainText();
    w.write(keys::MailText, mailText.remove(u'\r').replace(u'\n', u'|'));
    w.write(keys::MailName, m_mailName->text());
    w.write(keys::MailPW, m_mailPW->text());
    w.write(keys::Betreff, m_betreff->text());
    w.writeFlag(keys::MailDirect, m_mailDirect);
    w.write(keys::MailFrom, m_mailFrom->text().trimmed());
    w.write(keys::SmtpServer, m_smtpServer->text().trimmed());

    w.writeNumber(keys::LeftSpace, m_leftSpace->text());
    w.writeNumber(keys::TopSpace, m_topSpace->text());
    w.write(keys::AddEscSequenz, m_addEscSequenz->text().trimmed());
    w.write(keys::PDFFolder, m_pdfFolder->path().trimmed());

    w.writeFlag(keys::PDFMSG, m_pdfMsg);
    w.writeFlag(keys::PDFShow, m_pdfShow);
    w.writeFlag(keys::MailDelete, m_mailDelete);
    w.writeFlag(keys::PDFDLG, m_pdfDlg);
    w.writeFlag(keys::PdfPrint, m_pdfPrint);
    w.writeFlag(keys::PdfCut, m_pdfCut);
    w.writeFlag(keys::PdfEdit, m_pdfEdit);
    w.write(keys::PdfPassword, m_pdfPassword->text().trimmed());
    w.write(keys::PdfSignatur, m_pdfSignatur->text().trimmed());
    w.writeFlag(keys::PdfBitmap, m_pdfBitmap);
    w.writeFlag(keys::PdfMailAnhang, m_pdfMailAnhang);

    // A layer the list does not offer stays as it was read.
    const int layer = m_watermarks->layer();
    w.write(keys::Waterlayer, QString::number(layer >= 0 ? layer : m_layerAtOpen));
    for (const auto& [letter, folder] : driveKeys())
        w.write(keys::Laufwerke, letter, folder);
    return w.ok;
}

void SettingsWindow::showDrives()
{
    // The mapped drives, and an empty row to add one; D: without a row is the folder where
    // the print files arrive.
    const DriveMap map = DriveMap::read(file(), QString());
    const QSignalBlocker block(m_drives);
    m_drives->setRowCount(0);
    m_driveLettersAtOpen.clear();
    for (const DriveMap::Drive& drive : map.drives) {
        const int row = m_drives->rowCount();
        m_drives->insertRow(row);
        m_drives->setItem(row, 0, new QTableWidgetItem(QString(drive.letter) + u':'));
        m_drives->setItem(row, 1, new QTableWidgetItem(drive.folder));
        m_driveLettersAtOpen << QString(drive.letter);
    }
    m_drives->insertRow(m_drives->rowCount());
}

QList<QPair<QString, QString>> SettingsWindow::driveKeys() const
{
    QList<QPair<QString, QString>> entries;
    QStringList written;
    for (int row = 0; row < m_drives->rowCount(); ++row) {
        const QTableWidgetItem* letterItem = m_drives->item(row, 0);
        const QTableWidgetItem* folderItem = m_drives->item(row, 1);
        const QString letter = letterItem ? letterItem->text().trimmed().left(1).toUpper() : QString();
        const QString folder = folderItem ? folderItem->text().trimmed() : QString();
        if (letter.isEmpty() || letter[0] < u'A' || letter[0] > u'Z' || folder.isEmpty() || written.contains(letter))
            continue;
        entries.append({letter, folder});
        written << letter;
    }
    for (const QString& letter : m_driveLettersAtOpen) {
        if (!written.contains(letter))
            entries.append({letter, QString()});
    }
    return entries;
}

void SettingsWindow::save()
{
    // All keys or none: a disk that fills up half way leaves the old file as it was.
    if (!profile::editAtomically(file(), [this](const QString& copy) { return writeKeys(copy); })) {
        msgbox::show(
            QStringLiteral("Die Einstellungen konnten nicht gespeichert werden; %1 bleibt, wie sie war.").arg(file()),
            QStringLiteral("Fehler!"), msgbox::Icon::Critical);
        return;
    }
    // Only a change is written, so saving from a build tree does not move an entry
    // that points at the installed program.
    if (m_startWithSystem->isChecked() != m_registeredAtOpen)
        autostart::setRegistered(m_startWithSystem->isChecked(), QCoreApplication::applicationFilePath());
    m_registeredAtOpen = autostart::isRegistered();

    const bool watermarksSaved = m_watermarks->save(watermarkFile());
    if (watermarksSaved)
        close();
    // The settings file is written either way; the server and the jobs read afterwards
    // use it from now on.
    if (m_reloadServer)
        m_reloadServer();
    if (!watermarksSaved) {
        msgbox::show(QStringLiteral("Die Wasserzeichen konnten nicht gespeichert werden:\n") + watermarkFile(),
                     QStringLiteral("Fehler!"), msgbox::Icon::Critical);
    }
}

void SettingsWindow::cancel()
{
    close();
}

void SettingsWindow::stop()
{
    tray::remove();
    endProcessHook()();
}

void SettingsWindow::keyPressEvent(QKeyEvent* event)
{
    // Escape leaves the window as "Abbruch" does, as in any dialog; a key a control
    // inside uses (a list's open popup) never gets here.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SettingsWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Large enough for every control at its natural size, known only once shown: a new
    // window gets at most two thirds of the screen, which cut the font list's text short.
    if (const QScreen* screen = this->screen(); screen && !event->spontaneous())
        resize(size().expandedTo(sizeHint()).boundedTo(screen->availableGeometry().size()));
}

void SettingsWindow::closeEvent(QCloseEvent* event)
{
    SettingsWindowOpen() = false;
    event->accept();
}
