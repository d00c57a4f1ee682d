#include "Printers.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

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
