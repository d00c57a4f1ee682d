// The controls of the settings window: four tabs of captioned frames, the frame "Start"
// and the three buttons below them.
#include "admin/SettingsWindow.h"

#include "admin/FolderChooser.h"
#include "admin/FontFamilyList.h"
#include "admin/WatermarkEditor.h"
#include "settings/ReadingRules.h"
#include "settings/SettingsKeys.h"
#include "widgets/UpDownButtons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QGroupBox* frame(const QString& caption, QWidget* parent)
{
    return new QGroupBox(caption, parent);
}

QCheckBox* checkBox(const char* name, const QString& caption, QWidget* parent, const QString& tooltip = QString())
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setToolTip(tooltip);
    return box;
}

QLineEdit* textBox(const char* name, QWidget* parent, const QString& tooltip = QString())
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setToolTip(tooltip);
    return box;
}

// A number box with its spin buttons, put into the grid at (row, column). The box takes
// any typed text, and shows a value outside the range as it is; the buttons step by 1
// inside the range.
QLineEdit* numberBox(const char* name, int minimum, int maximum, QGridLayout* grid, int row, int column,
                     const QString& tooltip = QString())
{
    QWidget* parent = grid->parentWidget();
    auto* box = textBox(name, parent, tooltip);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    box->setFixedWidth(48);
    auto* spin = new UpDownButtons(parent);
    spin->setObjectName(QString::fromLatin1(name) + QStringLiteral("UpDown"));
    spin->setRange(minimum, maximum);
    spin->setBuddy(box);
    spin->setFixedSize(16, box->sizeHint().height());
    auto* pair = new QHBoxLayout;
    pair->setSpacing(0);
    pair->addWidget(box);
    pair->addWidget(spin);
    grid->addLayout(pair, row, column);
    return box;
}

// Keeps a frame's rows at its top and its columns at its left when the frame grows.
void packTopLeft(QGridLayout* grid)
{
    grid->setRowStretch(grid->rowCount(), 1);
    grid->setColumnStretch(grid->columnCount(), 1);
}

QLabel* label(const QString& text, QGridLayout* grid, int row, int column)
{
    auto* l = new QLabel(text, grid->parentWidget());
    grid->addWidget(l, row, column);
    return l;
}

} // namespace

void SettingsWindow::buildControls()
{
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabs"));
    m_tabs->addTab(buildPrintTab(), QStringLiteral("Druckeinstellungen"));
    m_tabs->addTab(buildMailTab(), QStringLiteral("Email"));
    m_tabs->addTab(buildPdfTab(), QStringLiteral("Pdf-Einstellungen"));
    m_tabs->addTab(buildWatermarkTab(), QStringLiteral("Wasserzeichen"));
    layout->addWidget(m_tabs, 1);
    layout->addWidget(buildBottom());
}

// "Autodruck": print by itself after a delay, and only in the background.
QGroupBox* SettingsWindow::buildAutoPrintFrame(QWidget* parent)
{
    auto* autoPrint = frame(QStringLiteral("Autodruck"), parent);
    auto* autoGrid = new QGridLayout(autoPrint);
    m_autoStart = checkBox("AutoStart", QStringLiteral("automatisch drucken nach"), autoPrint,
                           QStringLiteral("Startet automatisch den Ausdruck"));
    autoGrid->addWidget(m_autoStart, 0, 0);
    m_autoStartSeconds = numberBox("AutoStartDelay", 1, 10, autoGrid, 0, 1,
                                   QStringLiteral("Sekunden vom Start des Druckservers bis zum automatischen Drucken"));
    label(QStringLiteral("Sekunden"), autoGrid, 0, 2);
    m_hideMode = checkBox("HideMode", QStringLiteral("Nur im Hintergrund drucken"), autoPrint,
                          QStringLiteral("keine Anzeige bei aktivem Programm"));
    autoGrid->addWidget(m_hideMode, 1, 0, 1, 3);
    connect(m_autoStart, &QCheckBox::toggled, m_hideMode, &QWidget::setEnabled);
    packTopLeft(autoGrid);
    return autoPrint;
}

// "Schrifthöhe": the font and the pitches of text and bar codes.
QGroupBox* SettingsWindow::buildFontFrame(QWidget* parent)
{
    auto* fontFrame = frame(QStringLiteral("Schrifthöhe"), parent);
    auto* fontGrid = new QGridLayout(fontFrame);
    label(QStringLiteral("Fontauswahl"), fontGrid, 0, 0);
    m_fontname = new FontFamilyList(fonts::Pitch::Fixed, fontFrame);
    m_fontname->setObjectName(QStringLiteral("Fontname"));
    m_fontname->setToolTip(QStringLiteral("Fontfamilie für Ausdruck"));
    fontGrid->addWidget(m_fontname, 0, 1, 1, 2);
    label(QStringLiteral("Höhe in Punkten"), fontGrid, 1, 0);
    m_signPitch = numberBox("SignPitch", 8, 24, fontGrid, 1, 1, QStringLiteral("Schrifthöhe - 1 Punkt = 1/72 Zoll"));
    label(QStringLiteral("(Standard = 12)"), fontGrid, 1, 2);
    label(QStringLiteral("Barcodegrösse in Punkten"), fontGrid, 2, 0);
    m_barcodePitch = numberBox("BarcodePitch", 8, 72, fontGrid, 2, 1);
    packTopLeft(fontGrid);
    return fontFrame;
}

// "Zeilenzahl je Seite": page breaks by line count, and when a page turns landscape.
QGroupBox* SettingsWindow::buildLinesFrame(QWidget* parent)
{
    auto* linesFrame = frame(QStringLiteral("Zeilenzahl je Seite"), parent);
    auto* linesGrid = new QGridLayout(linesFrame);
    auto orientation = [&](const QString& caption, const keys::Key& key, const QString& tooltip, int row) {
        auto* inner = frame(caption, linesFrame);
        auto* innerGrid = new QGridLayout(inner);
        label(QStringLiteral("Druckzeilen je Seite"), innerGrid, 0, 0);
        QLineEdit* box = numberBox(key.name, 10, 80, innerGrid, 0, 1, tooltip);
        label(QStringLiteral("danach Seitenumbruch"), innerGrid, 0, 2);
        packTopLeft(innerGrid);
        linesGrid->addWidget(inner, row, 0, 1, 3);
        return box;
    };
    m_linesPerPage = orientation(QStringLiteral("Hochformat"), keys::LinesPerPage,
                                 QStringLiteral("Zeilenzahl, bei der unabhängig vom Dateiinhalt ein Seitenumbruch "
                                                "bei Hochformat erfolgt"),
                                 0);
    m_linesPerPageQ = orientation(QStringLiteral("Querformat"), keys::LinesPerPageQ,
                                  QStringLiteral("Zeilenzahl, bei der unabhängig vom Dateiinhalt ein Seitenumbruch "
                                                 "bei Querformat erfolgt"),
                                  1);
    label(QStringLiteral("Querformat bei mehr als"), linesGrid, 2, 0);
    m_autoLandscape = numberBox("AutoLandscape", 80, 400, linesGrid, 2, 1);
    label(QStringLiteral("Zeichen je Zeile"), linesGrid, 2, 2);
    packTopLeft(linesGrid);
    return linesFrame;
}

// "zusätzliche Ränder": left and top margin.
QGroupBox* SettingsWindow::buildMarginsFrame(QWidget* parent)
{
    auto* margins = frame(QStringLiteral("zusätzliche Ränder"), parent);
    auto* marginGrid = new QGridLayout(margins);
    label(QStringLiteral("linker Rand:"), marginGrid, 0, 0);
    m_leftSpace = numberBox("LeftSpace", 0, 20, marginGrid, 0, 1);
    label(QStringLiteral("Leerzeichen mit 10Cpi breite"), marginGrid, 0, 2);
    label(QStringLiteral("oberer Rand:"), marginGrid, 1, 0);
    m_topSpace = numberBox("TopSpace", 0, 20, marginGrid, 1, 1);
    label(QStringLiteral("Leerzeilen"), marginGrid, 1, 2);
    packTopLeft(marginGrid);
    // A top margin above the page cannot be printed; it becomes 0 as soon as it is typed.
    connect(m_topSpace, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (rules::numericValue(text) < 0)
            m_topSpace->setText(QStringLiteral("0"));
    });
    return margins;
}

// Escape codes put before every line.
QGroupBox* SettingsWindow::buildEscapeFrame(QWidget* parent)
{
    auto* escFrame = frame(QStringLiteral("Zusätzliche Steuerzeichen je Zeilenanfang"), parent);
    auto* escLayout = new QHBoxLayout(escFrame);
    m_addEscSequenz = textBox("AddEscSequenz", escFrame);
    escLayout->addWidget(m_addEscSequenz);
    return escFrame;
}

// The folders the DOS programs see as drives.
QGroupBox* SettingsWindow::buildDrivesFrame(QWidget* parent)
{
    auto* drivesFrame = frame(QStringLiteral("Laufwerke der DOS-Programme"), parent);
    auto* drivesLayout = new QVBoxLayout(drivesFrame);
    m_drives = new QTableWidget(0, 2, drivesFrame);
    m_drives->setObjectName(QStringLiteral("Laufwerke"));
    m_drives->setHorizontalHeaderLabels({QStringLiteral("Laufwerk"), QStringLiteral("Ordner")});
    m_drives->setToolTip(QStringLiteral("Ordner, die die DOS-Programme als Laufwerk sehen; ohne Eintrag für D: ist D: "
                                        "der Ordner der Druckdateien"));
    m_drives->horizontalHeader()->setStretchLastSection(true);
    m_drives->verticalHeader()->hide();
    m_drives->setColumnWidth(0, 70);
    m_drives->setMinimumHeight(90);
    // The last row is always empty, to add a drive.
    connect(m_drives, &QTableWidget::cellChanged, this, [this] {
        const int last = m_drives->rowCount() - 1;
        for (int column = 0; column < 2; ++column) {
            const QTableWidgetItem* item = m_drives->item(last, column);
            if (item && !item->text().isEmpty()) {
                m_drives->insertRow(last + 1);
                return;
            }
        }
    });
    drivesLayout->addWidget(m_drives);
    return drivesFrame;
}

QWidget* SettingsWindow::buildPrintTab()
{
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);

    // Made in this order for the tab order: down the left column, then the right one.
    grid->addWidget(buildAutoPrintFrame(page), 0, 0);
    grid->addWidget(buildFontFrame(page), 1, 0);
    grid->addWidget(buildLinesFrame(page), 0, 1);
    grid->addWidget(buildMarginsFrame(page), 1, 1);
    grid->addWidget(buildEscapeFrame(page), 2, 0, 1, 2);
    grid->addWidget(buildDrivesFrame(page), 3, 0, 1, 2);
    grid->setRowStretch(4, 1);
    return page;
}

QWidget* SettingsWindow::buildMailTab()
{
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);

    auto* sender = frame(QStringLiteral("Absenderidentität"), page);
    auto* senderGrid = new QGridLayout(sender);
    label(QStringLiteral("Name"), senderGrid, 0, 0);
    m_mailName = textBox("MailName", sender, QStringLiteral("Absendername"));
    senderGrid->addWidget(m_mailName, 0, 1);
    label(QStringLiteral("Passwort"), senderGrid, 1, 0);
    m_mailPW = textBox("MailPW", sender, QStringLiteral("Passwort des Absenders"));
    m_mailPW->setEchoMode(QLineEdit::Password);
    senderGrid->addWidget(m_mailPW, 1, 1);
    label(QStringLiteral("Absenderadresse"), senderGrid, 2, 0);
    m_mailFrom = textBox("MailFrom", sender, QStringLiteral("Adresse, von der die Mails kommen (leer: der Name)"));
    m_mailFrom->setPlaceholderText(QStringLiteral("wie Name"));
    senderGrid->addWidget(m_mailFrom, 2, 1);

    auto* sending = frame(QStringLiteral("Versand"), page);
    auto* sendingGrid = new QGridLayout(sending);
    label(QStringLiteral("Betreff"), sendingGrid, 0, 0);
    m_betreff = textBox("Betreff", sending, QStringLiteral("Text der Betreffzeile"));
    sendingGrid->addWidget(m_betreff, 0, 1);
    m_mailDirect = checkBox("MailDirect", QStringLiteral("Sofort senden (kein Mailfenster anzeigen)"), sending,
                            QStringLiteral("Email erzeugen und sofort versenden"));
    sendingGrid->addWidget(m_mailDirect, 1, 0, 1, 2);
    label(QStringLiteral("Mailserver"), sendingGrid, 2, 0);
    m_smtpServer = textBox("SmtpServer", sending,
                           QStringLiteral("Mailserver für das sofortige Senden, z. B. smtp://mail.example.de:587"));
    sendingGrid->addWidget(m_smtpServer, 2, 1);

    auto* textFrame = frame(QStringLiteral("Standardmailtext"), page);
    auto* textLayout = new QVBoxLayout(textFrame);
    m_mailText = new QPlainTextEdit(textFrame);
    m_mailText->setObjectName(QStringLiteral("MailText"));
    textLayout->addWidget(m_mailText);

    auto* attachments = frame(QStringLiteral("Dateianhänge"), page);
    auto* attachLayout = new QVBoxLayout(attachments);
    m_pdfMailAnhang = checkBox("PdfMailAnhang", QStringLiteral("zusätzlich im pdf-Dokument enthalten"), attachments);
    attachLayout->addWidget(m_pdfMailAnhang);

    grid->addWidget(sender, 0, 0);
    grid->addWidget(sending, 0, 1);
    grid->addWidget(textFrame, 1, 0, 1, 2);
    grid->addWidget(attachments, 2, 0, 1, 2);
    grid->setRowStretch(1, 1);
    return page;
}

QWidget* SettingsWindow::buildPdfTab()
{
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);

    auto* place = frame(QStringLiteral("Speicherort für pdf-Dateien"), page);
    auto* placeLayout = new QVBoxLayout(place);
    m_pdfFolder = new FolderChooser(place);
    placeLayout->addWidget(m_pdfFolder);

    auto* after = frame(QStringLiteral("Nach Erstellung eines pdf-Dokuments"), page);
    after->setToolTip(QStringLiteral("Bei Hintergrunddruck ohne Bedeutung"));
    auto* afterLayout = new QVBoxLayout(after);
    m_pdfDlg = checkBox("PDFDLG", QStringLiteral("Dialog für pdf-Dateinamen zeigen"), after);
    m_pdfMsg = checkBox("PDFMSG", QStringLiteral("Nachricht nach Dokumenterzeugung"), after);
    m_mailDelete = checkBox("MailDelete", QStringLiteral("Mailanhänge nach Versand löschen"), after);
    m_pdfShow = checkBox("PDFShow", QStringLiteral("PDF nach dem Erstellen anzeigen"), after);
    for (QCheckBox* box : {m_pdfDlg, m_pdfMsg, m_mailDelete, m_pdfShow})
        afterLayout->addWidget(box);

    auto* security = frame(QStringLiteral("pdf-Sicherheit"), page);
    auto* securityGrid = new QGridLayout(security);
    m_pdfPrint = checkBox("PdfPrint", QStringLiteral("Drucken"), security);
    m_pdfCut = checkBox("PdfCut", QStringLiteral("Kopieren"), security);
    m_pdfEdit = checkBox("PdfEdit", QStringLiteral("Ändern"), security);
    securityGrid->addWidget(m_pdfPrint, 0, 0);
    securityGrid->addWidget(m_pdfCut, 0, 1);
    securityGrid->addWidget(m_pdfEdit, 0, 2);
    label(QStringLiteral("Sicherheitspasswort"), securityGrid, 1, 0);
    m_pdfPassword = textBox("PdfPassword", security);
    m_pdfPassword->setEchoMode(QLineEdit::Password);
    securityGrid->addWidget(m_pdfPassword, 1, 1, 1, 2);
    label(QStringLiteral("Signatur"), securityGrid, 2, 0);
    m_pdfSignatur = textBox("PdfSignatur", security);
    m_pdfSignatur->setEchoMode(QLineEdit::Password);
    securityGrid->addWidget(m_pdfSignatur, 2, 1, 1, 2);

    auto* content = frame(QStringLiteral("pdf-Inhalt"), page);
    auto* contentLayout = new QVBoxLayout(content);
    m_pdfBitmap = checkBox(
        "PdfBitmap", QStringLiteral("pdf-Inhalt als reine Grafik erstellen (bei Pseudografik erforderlich)"), content);
    contentLayout->addWidget(m_pdfBitmap);
    contentLayout->addStretch(1);

    grid->addWidget(place, 0, 0, 3, 1);
    grid->addWidget(after, 0, 1);
    grid->addWidget(security, 1, 1);
    grid->addWidget(content, 2, 1);
    grid->setColumnStretch(0, 1);
    return page;
}

QWidget* SettingsWindow::buildWatermarkTab()
{
    m_watermarks = new WatermarkEditor(this);
    m_watermarks->setObjectName(QStringLiteral("watermarkEditor"));
    return m_watermarks;
}

QWidget* SettingsWindow::buildBottom()
{
    auto* bottom = new QWidget(this);
    auto* layout = new QHBoxLayout(bottom);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* start = frame(QStringLiteral("Start"), bottom);
    auto* startLayout = new QHBoxLayout(start);
    m_startWithSystem = checkBox("startWithSystem", QStringLiteral("Beim Anmelden starten"), start);
    startLayout->addWidget(m_startWithSystem);
    layout->addWidget(start);
    layout->addStretch(1);

    auto button = [&](const char* name, const QString& caption, const QString& tooltip) {
        auto* b = new QPushButton(caption, bottom);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(tooltip);
        layout->addWidget(b, 0, Qt::AlignBottom);
        return b;
    };
    m_cancel = button("cancelButton", QStringLiteral("&Abbruch"), QStringLiteral("Bricht den Setup-Mode ab"));
    m_save = button("saveButton", QStringLiteral("&Speichern"),
                    QStringLiteral("Speichert die Werte und beendet den Setup-Mode"));
    m_stop = button("stopButton", QStringLiteral("S&top"), QStringLiteral("Beendet den Druckserver"));
    connect(m_cancel, &QPushButton::clicked, this, &SettingsWindow::cancel);
    connect(m_save, &QPushButton::clicked, this, &SettingsWindow::save);
    connect(m_stop, &QPushButton::clicked, this, &SettingsWindow::stop);
    return bottom;
}
