#include "pdf/PdfFinish.h"

#include "pdf/PdfPageLayer.h"

#include <QFile>
#include <QRandomGenerator>

// Use std::shared_ptr throughout; the library's own pointer type is legacy.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

QPDFObjectHandle flateStream(QPDF& pdf, const QByteArray& deflated)
{
    QPDFObjectHandle stream = QPDFObjectHandle::newStream(&pdf);
    stream.replaceStreamData(deflated.toStdString(), QPDFObjectHandle::newName("/FlateDecode"),
                             QPDFObjectHandle::newNull());
    return stream;
}

QPDFObjectHandle embed(QPDF& pdf, const PdfPageLayer::EmbeddedFont& font)
{
    // Joined as QString: GCC 12 warns (-Wrestrict) on "/" + std::string in Release.
    const std::string name = (QStringLiteral("/") + font.baseFont).toStdString();
    const TrueTypeFont::Metrics& m = font.metrics;
    QPDFObjectHandle program = flateStream(pdf, font.program);
    program.getDict().replaceKey("/Length1", QPDFObjectHandle::newInteger(font.programLength));

    // Symbolic: the glyphs are addressed by number, not by a standard character set.
    const int flags = 4 | (m.fixedPitch ? 1 : 0) | (m.italic ? 64 : 0);
    QPDFObjectHandle descriptor = QPDFObjectHandle::parse(
        "<< /Type /FontDescriptor /FontName " + name + " /Flags " + std::to_string(flags) + " /FontBBox [" +
        std::to_string(m.xMin) + " " + std::to_string(m.yMin) + " " + std::to_string(m.xMax) + " " +
        std::to_string(m.yMax) + "] /ItalicAngle " + std::to_string(m.italicAngle) + " /Ascent " +
        std::to_string(m.ascent) + " /Descent " + std::to_string(m.descent) + " /CapHeight " +
        std::to_string(m.capHeight) + " /StemV 80 >>");
    descriptor.replaceKey("/FontFile2", program);

    QPDFObjectHandle cidFont = QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont " + name +
        " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /CIDToGIDMap /Identity >>");
    cidFont.replaceKey("/FontDescriptor", pdf.makeIndirectObject(descriptor));
    cidFont.replaceKey("/W", QPDFObjectHandle::parse(font.widths.toStdString()));

    QPDFObjectHandle type0 =
        QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type0 /BaseFont " + name + " /Encoding /Identity-H >>");
    QPDFObjectHandle descendants = QPDFObjectHandle::newArray();
    descendants.appendItem(pdf.makeIndirectObject(cidFont));
    type0.replaceKey("/DescendantFonts", descendants);
    type0.replaceKey("/ToUnicode", flateStream(pdf, font.toUnicode));
    return pdf.makeIndirectObject(type0);
}

// Each page with text gets it after what the painter drew, which is enclosed in q ... Q
// so that the text starts from the page's initial graphics state.
// Hands the writer each page's own content when it reaches it, straight from the layer:
// a long document's pages are not copied into the library first.
class PageContentProvider : public QPDFObjectHandle::StreamDataProvider
{
public:
    explicit PageContentProvider(const PdfPageLayer& layer) : m_layer(layer) {}

    void add(QPDFObjGen stream, int page) { m_pages.emplace(stream, page); }

    void provideStreamData(QPDFObjGen const& og, Pipeline* pipeline) override
    {
        auto it = m_pages.find(og);
        if (it == m_pages.end())
            throw std::logic_error("page content without source");
        const QByteArray data = m_layer.pageContent(it->second);
        if (data.isEmpty())
            throw std::runtime_error("page text could not be read back");
        pipeline->write(reinterpret_cast<const unsigned char*>(data.constData()), size_t(data.size()));
        pipeline->finish();
    }

private:
    const PdfPageLayer& m_layer;
    std::map<QPDFObjGen, int> m_pages;
};

void addText(QPDF& pdf, const PdfPageLayer& layer)
{
    if (layer.isEmpty())
        return;
    QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
    for (const PdfPageLayer::EmbeddedFont& font : layer.embeddedFonts())
        fonts.replaceKey((QStringLiteral("/") + font.resourceName).toStdString(), embed(pdf, font));
    QPDFObjectHandle save = QPDFObjectHandle::newStream(&pdf, "q\n");
    QPDFObjectHandle restore = QPDFObjectHandle::newStream(&pdf, "Q\n");

    auto provider = std::make_shared<PageContentProvider>(layer);
    int index = -1;
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        if (!layer.hasPageContent(++index))
            continue;
        QPDFObjectHandle pageObject = page.getObjectHandle();
        QPDFObjectHandle contents = QPDFObjectHandle::newArray();
        contents.appendItem(save);
        QPDFObjectHandle drawn = pageObject.getKey("/Contents");
        if (drawn.isArray()) {
            for (int i = 0; i < drawn.getArrayNItems(); ++i)
                contents.appendItem(drawn.getArrayItem(i));
        } else if (drawn.isStream()) {
            contents.appendItem(drawn);
        }
        contents.appendItem(restore);
        QPDFObjectHandle text = QPDFObjectHandle::newStream(&pdf);
        text.replaceStreamData(provider, QPDFObjectHandle::newName("/FlateDecode"), QPDFObjectHandle::newNull());
        provider->add(text.getObjGen(), index);
        contents.appendItem(text);
        pageObject.replaceKey("/Contents", contents);

        QPDFObjectHandle resources = pageObject.getKey("/Resources");
        if (!resources.isDictionary()) {
            resources = QPDFObjectHandle::newDictionary();
            pageObject.replaceKey("/Resources", resources);
        }
        QPDFObjectHandle pageFonts = resources.getKey("/Font");
        if (!pageFonts.isDictionary()) {
            pageFonts = QPDFObjectHandle::newDictionary();
            resources.replaceKey("/Font", pageFonts);
        }
        for (const std::string& key : fonts.getKeys())
            pageFonts.replaceKey(key, fonts.getKey(key));
    }
}

void setCreationDate(QPDF& pdf, const QDateTime& when)
{
    QPDFObjectHandle trailer = pdf.getTrailer();
    QPDFObjectHandle info = trailer.getKey("/Info");
    if (!info.isDictionary()) {
        info = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        trailer.replaceKey("/Info", info);
    }
    info.replaceKey("/CreationDate", QPDFObjectHandle::newString(pdfDateString(when).toStdString()));
}

std::string randomPassword()
{
    QByteArray bytes(24, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return bytes.toBase64().toStdString();
}

void encrypt(QPDFWriter& writer, const PdfFinishOptions& options)
{
    const std::string open = options.openPassword.toStdString();
    const std::string owner = options.ownerPassword.isEmpty() ? randomPassword() : options.ownerPassword.toStdString();
    const qint32 code = options.permissionCode;
    const bool print = code & PdfMayPrint;
    const bool modify = code & PdfMayModify;
    const bool copy = code & PdfMayCopy;
    // Accessibility extraction stays allowed: screen readers are not the copying the
    // code is meant to prevent.
    writer.setR6EncryptionParameters(open.c_str(), owner.c_str(), true, copy, modify, modify, modify, modify,
                                     print ? qpdf_r3p_full : qpdf_r3p_none, true);
}

} // namespace

QString pdfDateString(const QDateTime& when)
{
    const int offset = when.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return QStringLiteral("D:%1%2%3'%4'")
        .arg(when.toString(QStringLiteral("yyyyMMddHHmmss")))
        .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString finishPdf(const QString& source, const QString& target, const PdfFinishOptions& options)
{
    try {
        // The source is read through a memory map: the library reads an object at a time
        // and seeks before each read, which costs a hundred system calls a page on a file.
        // The map outlives the document, which reads stream data from it until written.
        QFile input(source);
        const uchar* mapped =
            input.open(QIODevice::ReadOnly) && input.size() > 0 ? input.map(0, input.size()) : nullptr;
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        const QByteArray sourceName = QFile::encodeName(source);
        if (mapped)
            pdf.processMemoryFile(sourceName.constData(), reinterpret_cast<const char*>(mapped), size_t(input.size()));
        else
            pdf.processFile(sourceName.constData());

        if (options.text)
            addText(pdf, *options.text);
        if (options.creationDate.isValid())
            setCreationDate(pdf, options.creationDate);
        // The writer's XMP packet repeats the document information with its own dates;
        // without it the document information above is the only account.
        pdf.getRoot().removeKey("/Metadata");

        const QByteArray targetName = QFile::encodeName(target);
        QPDFWriter writer(pdf, targetName.constData());
        // Streams pass through as the writer stored them: none is decoded and compressed
        // again (content streams decoded above stay decoded). Objects are written one by
        // one as the writer did, not packed into compressed object streams.
        writer.setDecodeLevel(qpdf_dl_none);
        writer.setCompressStreams(false);
        writer.setObjectStreamMode(qpdf_o_disable);
        if (options.encrypts())
            encrypt(writer, options);
        writer.write();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    }
    return {};
}
