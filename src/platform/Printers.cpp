#include "platform/Printers.h"

#include <cstdlib>

#include <QPageLayout>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>

#include <cups/cups.h>

namespace printers {
namespace {

QString& current()
{
    static QString name;
    static bool initialised = false;
    if (!initialised) {
        initialised = true;
        name = QPrinterInfo::defaultPrinterName();
    }
    return name;
}

} // namespace

std::function<QStringList()>& installedPrintersHook()
{
    static std::function<QStringList()> hook;
    return hook;
}

QStringList installedPrinters()
{
    return installedPrintersHook() ? installedPrintersHook()() : QPrinterInfo::availablePrinterNames();
}

QString currentPrinter()
{
    return current();
}

void setCurrentPrinter(const QString& name)
{
    current() = name;
}

QString spoolerTitle(const QString& title)
{
    QString clean;
    clean.reserve(title.size());
    for (const QChar c : title) {
        if (c.category() == QChar::Other_Control || c.isSurrogate() || (c.unicode() >= 0xF000 && c.unicode() <= 0xF0FF))
            continue;
        clean.append(c);
    }
    // Shorten to 255 bytes of UTF-8 without splitting a character.
    while (clean.toUtf8().size() > 255)
        clean.chop(1);
    return clean;
}

bool isFaxQueue(const QString& name)
{
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.toUtf8().constData(), nullptr);
    if (!dest)
        return false;
    const char* type = cupsGetOption("printer-type", dest->num_options, dest->options);
    const bool fax = type && (std::strtoul(type, nullptr, 10) & CUPS_PRINTER_FAX) != 0;
    cupsFreeDests(1, dest);
    return fax;
}

void setJobOption(QPrinter& printer, const QString& name, const QString& value)
{
    // Qt's spooler engine takes its job options as one list of names and values under this
    // property key, and hands them to the spooler with the document.
    constexpr auto SpoolerOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);
    QPrintEngine* engine = printer.printEngine();
    QStringList options = engine->property(SpoolerOptions).toStringList();
    options << name << value;
    engine->setProperty(SpoolerOptions, options);
}

void preparePrinter(QPrinter& printer, const QString& name, bool landscape, const QString& title)
{
    printer.setPrinterName(name);
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setColorMode(QPrinter::Color);
    const QPageSize size = QPrinterInfo::printerInfo(name).defaultPageSize();
    printer.setPageSize(size.isValid() ? size : QPageSize(QPageSize::A4));
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setDocName(spoolerTitle(title));
}

} // namespace printers
