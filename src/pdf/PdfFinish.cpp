#include "pdf/PdfFinish.h"

#include "pdf/PdfEncryption.h"
#include "pdf/PdfFileReader.h"
#include "pdf/PdfFileWriter.h"
#include "pdf/PdfPageLayer.h"

#include <QRandomGenerator>

#include <algorithm>
#include <memory>
#include <new>

namespace {

// The page tree is no deeper than this in any document the page writer makes.
constexpr int MaxTreeDepth = 64;

PdfObject flateStreamDictionary()
{
    return PdfObject::dictionary({{"Filter", PdfObject::name("FlateDecode")}});
}

std::string_view view(const QByteArray& bytes)
{
    return {bytes.constData(), size_t(bytes.size())};
}

quint32 permissionsOf(qint32 code)
{
    using P = PdfEncryption::Permission;
    // Screen readers may always extract text: they are not the copying the code is meant
    // to prevent.
    quint32 granted = P::ExtractForAccessibility;
    if (code & PdfMayPrint)
        granted |= P::Print | P::PrintHighResolution;
    if (code & PdfMayModify)
        granted |= P::Assemble | P::Annotate | P::FillForms | P::ModifyOther;
    if (code & PdfMayCopy)
        granted |= P::Extract;
    return granted;
}

QString randomPassword()
{
    QByteArray bytes(24, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return QString::fromLatin1(bytes.toBase64());
}

// One pass from the page writer's file to the finished document. The source's objects
// keep their numbers and are written in the order they stand in the source, so it is read
// from front to back; what the pass adds gets numbers after the source's.
//
// Before writing, the page tree is walked once to learn which objects change: the pages
// with text (their content becomes [q, own content, Q, text]) and the objects that hold
// those pages' resources (they get the fonts). Per page only these numbers are kept.
class FinishingPass
{
public:
    FinishingPass(PdfFileReader& source, const PdfFinishOptions& options) : m_source(source), m_options(options)
    {
        m_nextNumber = source.objectCount();
        const PdfObject* root = source.trailer().get("Root");
        if (!root || !root->isReference())
            throw PdfFileError(QStringLiteral("der Zwischendatei fehlt ihr Katalog"));
        m_root = quint32(root->number());
        const PdfObject* info = source.trailer().get("Info");
        if (info && info->isReference() && source.offsetOf(quint32(info->number())) >= 0)
            m_info = quint32(info->number());
        else if (info && info->isDictionary())
            m_newInfo = *info;

        const PdfObject catalog = source.readObject(m_root).value;
        if (const PdfObject* metadata = catalog.get("Metadata"); metadata && metadata->isReference())
            m_metadata = quint32(metadata->number());
        m_hasText = options.text && !options.text->isEmpty();
        const PdfObject* pages = catalog.get("Pages");
        planPages(pages);
        if ((m_hasText || !m_textOnlyPages.empty()) && pages)
            collectTextPages(*pages, 0, 0);
        if (!m_textOnlyPages.empty() &&
            (!m_flatTree || std::find(m_pageNumbers.begin(), m_pageNumbers.end(), 0u) != m_pageNumbers.end()))
            throw PdfFileError(QStringLiteral("der Seitenbaum der Zwischendatei ist fehlerhaft"));
        std::sort(m_textPages.begin(), m_textPages.end());
        std::sort(m_fontHolders.begin(), m_fontHolders.end());
        m_fontHolders.erase(std::unique(m_fontHolders.begin(), m_fontHolders.end()), m_fontHolders.end());
    }

    void writeTo(const QString& target);

private:
    void planPages(const PdfObject* pageTree);
    void collectTextPages(const PdfObject& node, quint32 resourcesHolder, int depth);
    void writeTextOnlyPages(PdfFileWriter& out);
    void writeTextObjects(PdfFileWriter& out);
    void writeFont(PdfFileWriter& out, const PdfPageLayer::EmbeddedFont& font);
    void writeSourceObject(PdfFileWriter& out, quint32 number, std::vector<bool>& dropped);
    void addText(PdfObject& page, quint32 textNumber);
    void addFonts(PdfObject& holder);
    // The dictionary under `key`, read from its own object when it is one; an empty one
    // when there is none.
    PdfObject dictionaryEntry(const PdfObject& dictionary, std::string_view key);
    PdfObject trailer(quint32 encryptNumber) const;

    quint32 allocate() { return m_nextNumber++; }
    bool encrypts() const { return m_options.encrypts(); }

    PdfFileReader& m_source;
    const PdfFinishOptions& m_options;
    quint32 m_nextNumber = 0;
    quint32 m_root = 0;
    quint32 m_info = 0;                            // the source's document information, 0 for none
    PdfObject m_newInfo = PdfObject::dictionary(); // written anew when the source has none to amend
    quint32 m_metadata = 0;                        // the catalog's XMP stream, left out
    int m_pageCount = 0;                           // writer pages seen
    quint32 m_nodesVisited = 0;
    // Where the writer's pages stand in the document (by the writer's count), the object
    // numbers of the document's pages in order, and the pages the pass makes itself: page
    // index, page object, text object. They are listed under the page tree's root, which
    // must then hold the writer's pages directly.
    std::vector<int> m_documentIndexOf;
    std::vector<quint32> m_pageNumbers;
    struct TextOnlyPage
    {
        int index;
        quint32 page, text;
    };
    std::vector<TextOnlyPage> m_textOnlyPages;
    quint32 m_pageTree = 0;
    bool m_flatTree = true;
    bool m_hasText = false;
    // Pages with text: object number and page index, sorted by number.
    std::vector<std::pair<quint32, int>> m_textPages;
    // Objects whose resources get the fonts: resource dictionaries, or pages (and page
    // tree nodes) that hold theirs directly. Sorted.
    std::vector<quint32> m_fontHolders;
    // What the text layer adds, once written.
    quint32 m_save = 0, m_restore = 0;
    PdfObject m_fonts = PdfObject::dictionary(); // resource name -> font
};

void FinishingPass::planPages(const PdfObject* pageTree)
{
    if (!m_options.pages)
        return;
    const std::vector<PdfPagePlacement>& pages = *m_options.pages;
    m_pageNumbers.assign(pages.size(), 0);
    for (size_t index = 0; index < pages.size(); ++index) {
        const int writerPage = pages[index].writerPage;
        if (writerPage >= 0) {
            if (size_t(writerPage) >= m_documentIndexOf.size())
                m_documentIndexOf.resize(size_t(writerPage) + 1, -1);
            m_documentIndexOf[size_t(writerPage)] = int(index);
            continue;
        }
        const quint32 page = allocate();
        const bool hasText = m_hasText && m_options.text->hasPageContent(int(index));
        m_textOnlyPages.push_back({int(index), page, hasText ? allocate() : 0});
        m_pageNumbers[index] = page;
    }
    if (!m_textOnlyPages.empty()) {
        if (!pageTree || !pageTree->isReference())
            throw PdfFileError(QStringLiteral("der Seitenbaum der Zwischendatei ist fehlerhaft"));
        m_pageTree = quint32(pageTree->number());
    }
}

void FinishingPass::collectTextPages(const PdfObject& node, quint32 resourcesHolder, int depth)
{
    // A tree deeper than any real one, or one with more nodes than the file has objects,
    // loops back on itself.
    if (!node.isReference() || depth > MaxTreeDepth || ++m_nodesVisited > m_source.objectCount())
        throw PdfFileError(QStringLiteral("der Seitenbaum der Zwischendatei ist fehlerhaft"));
    const quint32 number = quint32(node.number());
    const PdfObject value = m_source.readObject(number).value;
    if (const PdfObject* resources = value.get("Resources"))
        resourcesHolder = resources->isReference() ? quint32(resources->number()) : number;

    const PdfObject* type = value.get("Type");
    if (const PdfObject* kids = value.get("Kids"); kids && !(type && type->isName("Page"))) {
        if (!kids->isArray())
            throw PdfFileError(QStringLiteral("der Seitenbaum der Zwischendatei ist fehlerhaft"));
        for (const PdfObject& kid : kids->items())
            collectTextPages(kid, resourcesHolder, depth + 1);
        return;
    }
    const int writerPage = m_pageCount++;
    const int index = writerPage < int(m_documentIndexOf.size()) ? m_documentIndexOf[size_t(writerPage)] : writerPage;
    if (m_options.pages) {
        if (index < 0 || size_t(index) >= m_pageNumbers.size())
            throw PdfFileError(QStringLiteral("die Zwischendatei hat mehr Seiten als das Dokument"));
        m_pageNumbers[size_t(index)] = number;
        m_flatTree = m_flatTree && depth == 1;
    }
    if (!m_hasText || !m_options.text->hasPageContent(index))
        return;
    m_textPages.emplace_back(number, index);
    // Without resources of its own or inherited the page gets some of its own.
    m_fontHolders.push_back(resourcesHolder ? resourcesHolder : number);
}

void FinishingPass::writeTo(const QString& target)
{
    std::unique_ptr<PdfEncryption> madeHere;
    PdfEncryption* encryption = m_options.encryption;
    if (encrypts() && !encryption) {
        madeHere = makePdfEncryption(m_options);
        encryption = madeHere.get();
    }
    PdfFileWriter out(target, encryption);
    // AES-256 came with PDF 1.7's extension level 8 (declared in the catalog).
    const std::string& version = m_source.version();
    out.writeHeader(encrypts() && version < "1.7" ? "1.7" : version);

    if (m_hasText)
        writeTextObjects(out);

    std::vector<quint32> order;
    for (quint32 n = 1; n < m_source.objectCount(); ++n) {
        if (m_source.offsetOf(n) >= 0)
            order.push_back(n);
    }
    std::sort(order.begin(), order.end(),
              [this](quint32 a, quint32 b) { return m_source.offsetOf(a) < m_source.offsetOf(b); });
    std::vector<bool> dropped(m_source.objectCount(), false);
    if (m_metadata < dropped.size())
        dropped[m_metadata] = true;
    for (quint32 number : order) {
        if (!dropped[number])
            writeSourceObject(out, number, dropped);
    }
    std::vector<quint32>().swap(order);
    writeTextOnlyPages(out);

    if (!m_info && (m_options.creationDate.isValid() || m_newInfo.entryCount() > 0)) {
        m_info = allocate();
        if (m_options.creationDate.isValid())
            m_newInfo.set("CreationDate", PdfObject::string(pdfDateString(m_options.creationDate).toStdString()));
        out.writeObject(m_info, m_newInfo);
    }
    quint32 encryptNumber = 0;
    if (encryption) {
        encryptNumber = allocate();
        out.writeUnencrypted(encryptNumber, encryption->dictionary());
    }
    out.finish(trailer(encryptNumber), m_nextNumber);
}

void FinishingPass::writeTextObjects(PdfFileWriter& out)
{
    // What the painter drew is enclosed in q ... Q, so the text starts from the page's
    // initial graphics state.
    m_save = allocate();
    out.writeStream(m_save, PdfObject::dictionary(), "q\n");
    m_restore = allocate();
    out.writeStream(m_restore, PdfObject::dictionary(), "Q\n");
    for (const PdfPageLayer::EmbeddedFont& font : m_options.text->embeddedFonts())
        writeFont(out, font);
}

void FinishingPass::writeTextOnlyPages(PdfFileWriter& out)
{
    using O = PdfObject;
    for (const TextOnlyPage& made : m_textOnlyPages) {
        const PdfPagePlacement& placement = (*m_options.pages)[size_t(made.index)];
        O page = O::dictionary({{"Type", O::name("Page")},
                                {"Parent", O::reference(m_pageTree)},
                                {"MediaBox", O::array({O::integer(0), O::integer(0), O::real(placement.width),
                                                       O::real(placement.height)})},
                                {"Resources", O::dictionary({{"Font", m_fonts}})}});
        if (made.text)
            page.set("Contents", O::reference(made.text));
        out.writeObject(made.page, page);
        if (!made.text)
            continue;
        const QByteArray text = m_options.text->pageContent(made.index);
        if (text.isEmpty())
            throw PdfFileError(
                QStringLiteral("der Text der Seite %1 lässt sich nicht zurücklesen").arg(made.index + 1));
        out.writeStream(made.text, flateStreamDictionary(), view(text));
    }
}

void FinishingPass::writeFont(PdfFileWriter& out, const PdfPageLayer::EmbeddedFont& font)
{
    using O = PdfObject;
    const O name = O::name(font.baseFont.toStdString());
    const TrueTypeFont::Metrics& m = font.metrics;

    const quint32 program = allocate();
    out.writeStream(program,
                    O::dictionary({{"Filter", O::name("FlateDecode")}, {"Length1", O::integer(font.programLength)}}),
                    view(font.program));
    // Symbolic: the glyphs are addressed by number, not by a standard character set.
    const int flags = 4 | (m.fixedPitch ? 1 : 0) | (m.italic ? 64 : 0);
    const quint32 descriptor = allocate();
    out.writeObject(descriptor, O::dictionary({{"Type", O::name("FontDescriptor")},
                                               {"FontName", name},
                                               {"Flags", O::integer(flags)},
                                               {"FontBBox", O::array({O::integer(m.xMin), O::integer(m.yMin),
                                                                      O::integer(m.xMax), O::integer(m.yMax)})},
                                               {"ItalicAngle", O::real(m.italicAngle)},
                                               {"Ascent", O::integer(m.ascent)},
                                               {"Descent", O::integer(m.descent)},
                                               {"CapHeight", O::integer(m.capHeight)},
                                               {"StemV", O::integer(80)},
                                               {"FontFile2", O::reference(program)}}));
    const quint32 cidFont = allocate();
    out.writeObject(cidFont, O::dictionary({{"Type", O::name("Font")},
                                            {"Subtype", O::name("CIDFontType2")},
                                            {"BaseFont", name},
                                            {"CIDSystemInfo", O::dictionary({{"Registry", O::string("Adobe")},
                                                                             {"Ordering", O::string("Identity")},
                                                                             {"Supplement", O::integer(0)}})},
                                            {"CIDToGIDMap", O::name("Identity")},
                                            {"FontDescriptor", O::reference(descriptor)},
                                            {"W", font.widths}}));
    const quint32 toUnicode = allocate();
    out.writeStream(toUnicode, flateStreamDictionary(), view(font.toUnicode));
    const quint32 type0 = allocate();
    out.writeObject(type0, O::dictionary({{"Type", O::name("Font")},
                                          {"Subtype", O::name("Type0")},
                                          {"BaseFont", name},
                                          {"Encoding", O::name("Identity-H")},
                                          {"DescendantFonts", O::array({O::reference(cidFont)})},
                                          {"ToUnicode", O::reference(toUnicode)}}));
    m_fonts.set(font.resourceName.toStdString(), O::reference(type0));
}

void FinishingPass::writeSourceObject(PdfFileWriter& out, quint32 number, std::vector<bool>& dropped)
{
    PdfFileReader::IndirectObject object = m_source.readObject(number);
    PdfObject& value = object.value;
    if (number == m_root) {
        // The writer's XMP packet repeats the document information with its own dates;
        // without it the document information is the only account.
        value.remove("Metadata");
        if (encrypts() && m_source.version() < "2.0") {
            PdfObject level = PdfObject::dictionary(
                {{"BaseVersion", PdfObject::name("1.7")}, {"ExtensionLevel", PdfObject::integer(8)}});
            PdfObject extensions = dictionaryEntry(value, "Extensions");
            extensions.set("ADBE", std::move(level));
            value.set("Extensions", std::move(extensions));
        }
    }
    if (number == m_pageTree && !m_textOnlyPages.empty()) {
        // The writer's pages and the pass's own, in the document's order.
        PdfObject kids = PdfObject::array({});
        for (quint32 page : m_pageNumbers)
            kids.append(PdfObject::reference(page));
        value.set("Kids", std::move(kids));
        value.set("Count", PdfObject::integer(qint64(m_pageNumbers.size())));
    }
    if (number == m_info && m_options.creationDate.isValid() && value.isDictionary())
        value.set("CreationDate", PdfObject::string(pdfDateString(m_options.creationDate).toStdString()));

    const auto page = std::lower_bound(m_textPages.begin(), m_textPages.end(), std::pair(number, 0));
    const bool hasText = page != m_textPages.end() && page->first == number;
    const quint32 textNumber = hasText ? allocate() : 0;
    if (hasText)
        addText(value, textNumber);
    if (std::binary_search(m_fontHolders.begin(), m_fontHolders.end(), number))
        addFonts(value);

    if (!object.isStream()) {
        out.writeObject(number, value);
    } else {
        // The length goes into the stream's dictionary as written (encryption lengthens
        // it); the object that held it is left out unless it is already written.
        if (object.lengthObject && object.lengthObject < dropped.size() && !out.isWritten(object.lengthObject))
            dropped[object.lengthObject] = true;
        out.beginStream(number, std::move(value), object.streamLength);
        m_source.readStreamData(object, [&out](const char* data, size_t size) { out.writeStreamData({data, size}); });
        out.endStream();
    }

    if (hasText) {
        const QByteArray text = m_options.text->pageContent(page->second);
        if (text.isEmpty())
            throw PdfFileError(
                QStringLiteral("der Text der Seite %1 lässt sich nicht zurücklesen").arg(page->second + 1));
        out.writeStream(textNumber, flateStreamDictionary(), view(text));
    }
}

void FinishingPass::addText(PdfObject& page, quint32 textNumber)
{
    PdfObject contents = PdfObject::array({PdfObject::reference(m_save)});
    if (const PdfObject* own = page.get("Contents")) {
        // One stream, or an array of them (possibly an object of its own).
        const PdfObject resolved = m_source.resolve(*own);
        if (resolved.isArray()) {
            for (const PdfObject& part : resolved.items())
                contents.append(part);
        } else {
            contents.append(*own);
        }
    }
    contents.append(PdfObject::reference(m_restore));
    contents.append(PdfObject::reference(textNumber));
    page.set("Contents", std::move(contents));
}

void FinishingPass::addFonts(PdfObject& holder)
{
    if (!holder.isDictionary())
        return;
    // A page or page tree node holds its resources; anything else is a resource
    // dictionary of its own.
    const PdfObject* type = holder.get("Type");
    if (!type || !(type->isName("Page") || type->isName("Pages"))) {
        PdfObject fonts = dictionaryEntry(holder, "Font");
        for (size_t i = 0; i < m_fonts.entryCount(); ++i)
            fonts.set(m_fonts.keyAt(i), m_fonts.valueAt(i));
        holder.set("Font", std::move(fonts));
        return;
    }
    PdfObject resources = dictionaryEntry(holder, "Resources");
    addFonts(resources);
    holder.set("Resources", std::move(resources));
}

PdfObject FinishingPass::dictionaryEntry(const PdfObject& dictionary, std::string_view key)
{
    const PdfObject* value = dictionary.get(key);
    PdfObject resolved = value ? m_source.resolve(*value) : PdfObject();
    return resolved.isDictionary() ? resolved : PdfObject::dictionary();
}

PdfObject FinishingPass::trailer(quint32 encryptNumber) const
{
    PdfObject t = PdfObject::dictionary();
    t.set("Root", PdfObject::reference(m_root));
    if (m_info)
        t.set("Info", PdfObject::reference(m_info));
    // The identifier of the source if it has one; readers want one in encrypted files.
    const PdfObject* id = m_source.trailer().get("ID");
    if (id && id->isArray() && id->items().size() == 2) {
        t.set("ID", *id);
    } else {
        QByteArray bytes(16, Qt::Uninitialized);
        QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
        const PdfObject part = PdfObject::string(bytes.toStdString());
        t.set("ID", PdfObject::array({part, part}));
    }
    if (encryptNumber)
        t.set("Encrypt", PdfObject::reference(encryptNumber));
    return t;
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

std::unique_ptr<PdfEncryption> makePdfEncryption(const PdfFinishOptions& options)
{
    if (!options.encrypts())
        return nullptr;
    const QString owner = options.ownerPassword.isEmpty() ? randomPassword() : options.ownerPassword;
    return std::make_unique<PdfEncryption>(options.openPassword, owner, permissionsOf(options.permissionCode));
}

QString finishPdf(const QString& source, const QString& target, const PdfFinishOptions& options)
{
    try {
        PdfFileReader reader(source);
        FinishingPass(reader, options).writeTo(target);
    } catch (const PdfFileError& e) {
        return e.reason();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("zu wenig Arbeitsspeicher");
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    }
    return {};
}
