#include "report/engine/DefinitionReader.h"

#include "report/engine/MessageSink.h"
#include "table/Failure.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <vector>

namespace quorvel::report {

namespace {

const QString kRoot = QStringLiteral("quorvel-report");
const QString kVersion = QStringLiteral("1");

struct NamedSize { const char* name; double widthMm, heightMm; };
constexpr NamedSize kSizes[] = {
    {"A3", 297, 420}, {"A4", 210, 297}, {"A5", 148, 210}, {"A6", 105, 148},
    {"Letter", 215.9, 279.4}, {"Legal", 215.9, 355.6},
};

class Reader
{
public:
    Reader(const QByteArray& bytes, const QString& path, MessageSink& messages)
        : m_xml(bytes), m_text(QString::fromUtf8(bytes)), m_dir(QFileInfo(path).absolutePath()), m_path(path), m_messages(messages)
    {
        m_lineStarts.push_back(0);
        for (qsizetype i = 0; i < m_text.size(); ++i)
            if (m_text[i] == u'\n')
                m_lineStarts.push_back(i + 1);
    }

    Definition read()
    {
        if (!m_xml.readNextStartElement() || m_xml.name() != kRoot)
            throw Failure(QStringLiteral("Invalid Project Format"));
        if (m_xml.attributes().value(QStringLiteral("version")) != kVersion)
            throw Failure(QStringLiteral("Invalid Project Header Code"));
        m_def.lastActiveReport = attr(QStringLiteral("active-report"));
        while (m_xml.readNextStartElement()) {
            const auto n = m_xml.name();
            if (n == u"parameter")
                readParameter();
            else if (n == u"data-view")
                readView();
            else if (n == u"report")
                readReport();
            else if (n == u"shared-page") {
                PageDef page = readPage();
                if (page.name.isEmpty())
                    fail(QStringLiteral("a shared page needs a name"));
                m_def.sharedPages.push_back(std::move(page));
            } else if (n == u"printer")
                readPrinter();
            else
                unknown();
        }
        checkXml();
        return std::move(m_def);
    }

private:
    [[noreturn]] void fail(const QString& what)
    {
        throw Failure(QStringLiteral("Invalid report definition \"%1\", line %2: %3")
                          .arg(QDir::toNativeSeparators(m_path))
                          .arg(m_xml.lineNumber())
                          .arg(what));
    }

    // lineNumber() is where the start tag ends; the line kept is where the element starts.
    qint64 elementLine() const
    {
        const qint64 at = std::min<qint64>(m_xml.characterOffset(), m_text.size());
        const qsizetype open = at > 0 ? m_text.lastIndexOf(u'<', at - 1) : -1;
        if (open < 0)
            return m_xml.lineNumber();
        return std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), open) - m_lineStarts.begin();
    }

    void checkXml()
    {
        if (m_xml.hasError())
            fail(m_xml.errorString());
    }

    void unknown()
    {
        m_messages.showMessage(unknownClassMessage(m_xml.name().toString()));
        m_xml.skipCurrentElement();
    }

    QString attr(const QString& name) const { return m_xml.attributes().value(name).toString(); }
    bool has(const QString& name) const { return m_xml.attributes().hasAttribute(name); }

    double number(const QString& name, double fallback)
    {
        if (!has(name))
            return fallback;
        bool ok = false;
        const QString text = attr(name).trimmed();
        double v = text.toDouble(&ok);
        // Qt also reads "nan" and "inf"; no length or size of a definition may be either.
        if (!ok || !std::isfinite(v))
            fail(QStringLiteral("\"%1\" is not a number for %2").arg(text, name));
        return v;
    }

    double nonNegative(const QString& name, double fallback)
    {
        double v = number(name, fallback);
        if (v < 0)
            fail(QStringLiteral("%1 cannot be negative").arg(name));
        return v;
    }

    int integer(const QString& name, int fallback, int least)
    {
        if (!has(name))
            return fallback;
        bool ok = false;
        const QString text = attr(name).trimmed();
        int v = text.toInt(&ok);
        if (!ok || v < least)
            fail(QStringLiteral("\"%1\" is not a whole number of at least %2 for %3").arg(text).arg(least).arg(name));
        return v;
    }

    bool flag(const QString& name, bool fallback)
    {
        if (!has(name))
            return fallback;
        const QString v = attr(name).trimmed().toLower();
        if (v == u"yes" || v == u"true" || v == u"1")
            return true;
        if (v == u"no" || v == u"false" || v == u"0")
            return false;
        fail(QStringLiteral("\"%1\" is not yes or no for %2").arg(attr(name), name));
    }

    Rgb color(const QString& name, Rgb fallback)
    {
        if (!has(name))
            return fallback;
        QColor c = QColor::fromString(attr(name).trimmed());
        if (!c.isValid())
            fail(QStringLiteral("\"%1\" is not a colour for %2").arg(attr(name), name));
        return Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                   static_cast<std::uint8_t>(c.blue())};
    }

    template <typename E>
    E choice(const QString& name, E fallback, std::initializer_list<std::pair<const char*, E>> options)
    {
        return choiceOf(name, fallback, options);
    }

    template <typename E, typename Options>
    E choiceOf(const QString& name, E fallback, const Options& options)
    {
        if (!has(name))
            return fallback;
        const QString v = attr(name).trimmed();
        QStringList names;
        for (const auto& [text, value] : options) {
            if (v.compare(QLatin1String(text), Qt::CaseInsensitive) == 0)
                return value;
            names << QLatin1String(text);
        }
        fail(QStringLiteral("\"%1\" is not one of %2 for %3").arg(v, names.join(QStringLiteral(", ")), name));
    }

    // Every length of the file is millimetres.
    Length length(const QString& name, double fallbackMm) { return Length::fromMm(number(name, fallbackMm)); }
    Length nonNegativeLength(const QString& name, double fallbackMm) { return Length::fromMm(nonNegative(name, fallbackMm)); }

    Box box()
    {
        return Box{length(QStringLiteral("x"), 0), length(QStringLiteral("y"), 0),
                   nonNegativeLength(QStringLiteral("width"), 0), nonNegativeLength(QStringLiteral("height"), 0)};
    }

    void readParameter()
    {
        QString name = attr(QStringLiteral("name"));
        if (name.isEmpty())
            fail(QStringLiteral("a parameter needs a name"));
        m_def.parameters.emplace_back(name, attr(QStringLiteral("value")));
        m_xml.skipCurrentElement();
    }

    void readPrinter()
    {
        PrinterDef printer;
        printer.line.number = elementLine();
        printer.queue = attr(QStringLiteral("queue")).trimmed();
        if (printer.queue.isEmpty())
            fail(QStringLiteral("a printer needs the queue it is for"));
        for (const PrinterDef& known : m_def.printers)
            if (known.queue == printer.queue)
                fail(QStringLiteral("the printer \"%1\" is given twice").arg(printer.queue));
        printer.offsetX = length(QStringLiteral("offset-x"), 0);
        printer.offsetY = length(QStringLiteral("offset-y"), 0);
        m_def.printers.push_back(std::move(printer));
        m_xml.skipCurrentElement();
    }

    void readView()
    {
        DataViewDef view{attr(QStringLiteral("name")), attr(QStringLiteral("connection")), {}};
        if (view.name.isEmpty())
            fail(QStringLiteral("a data view needs a name"));
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() != u"field") {
                unknown();
                continue;
            }
            QString name = attr(QStringLiteral("name"));
            if (name.isEmpty())
                fail(QStringLiteral("a field needs a name"));
            DataType type = choice(QStringLiteral("type"), DataType::String,
                                   {{"string", DataType::String}, {"integer", DataType::Integer},
                                    {"float", DataType::Float}, {"currency", DataType::Currency}});
            view.fields.emplace_back(name, type);
            m_xml.skipCurrentElement();
        }
        m_def.views.push_back(std::move(view));
    }

    void readReport()
    {
        ReportDef report{attr(QStringLiteral("name")), {}};
        if (report.name.isEmpty())
            report.name = QStringLiteral("Report%1").arg(m_def.reports.size() + 1);
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == u"page") {
                report.pages.push_back(PageEntry{readPage()});
            } else if (m_xml.name() == u"shared-page-ref") {
                QString name = attr(QStringLiteral("name"));
                if (name.isEmpty())
                    fail(QStringLiteral("a shared page reference needs a name"));
                report.pages.push_back(PageEntry{name});
                m_xml.skipCurrentElement();
            } else {
                unknown();
            }
        }
        m_def.reports.push_back(std::move(report));
    }

    PageDef readPage()
    {
        PageDef page;
        page.line.number = elementLine();
        page.name = attr(QStringLiteral("name"));
        const QString size = has(QStringLiteral("size")) ? attr(QStringLiteral("size")).trimmed() : QStringLiteral("A4");
        bool named = false;
        for (const NamedSize& s : kSizes) {
            if (size.compare(QLatin1String(s.name), Qt::CaseInsensitive) == 0) {
                page.width = Length::fromMm(s.widthMm);
                page.height = Length::fromMm(s.heightMm);
                page.print.paperName = QLatin1String(s.name);
                named = true;
            }
        }
        if (!named) {
            if (size.compare(u"custom", Qt::CaseInsensitive) != 0)
                fail(QStringLiteral("\"%1\" is not a page size (A3, A4, A5, A6, Letter, Legal or custom)").arg(size));
            page.width = length(QStringLiteral("width"), 0);
            page.height = length(QStringLiteral("height"), 0);
            if (page.width <= Length() || page.height <= Length())
                fail(QStringLiteral("a custom page needs a width and a height above 0"));
            page.print.paperName = QStringLiteral("Custom");
        }
        // A named size turns with the orientation; a custom size is taken as given.
        const Orientation natural = page.width > page.height ? Orientation::Landscape : Orientation::Portrait;
        page.print.orientation = choice(QStringLiteral("orientation"), named ? Orientation::Portrait : natural,
                                        {{"portrait", Orientation::Portrait}, {"landscape", Orientation::Landscape}});
        if (named && page.print.orientation != natural)
            std::swap(page.width, page.height);
        const double margin = nonNegative(QStringLiteral("margin"), 0);
        page.marginLeft = nonNegativeLength(QStringLiteral("margin-left"), margin);
        page.marginTop = nonNegativeLength(QStringLiteral("margin-top"), margin);
        page.marginRight = nonNegativeLength(QStringLiteral("margin-right"), margin);
        page.marginBottom = nonNegativeLength(QStringLiteral("margin-bottom"), margin);
        page.print.printerName = attr(QStringLiteral("printer"));
        page.print.copies = integer(QStringLiteral("copies"), 0, 0);
        page.print.bin = integer(QStringLiteral("bin"), 0, 0);
        page.print.quality = integer(QStringLiteral("quality"), 0, 0);

        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == u"labels") {
                if (page.region)
                    fail(QStringLiteral("a page holds at most one <labels> region"));
                page.region = readRegion();
            } else if (auto item = readItem()) {
                page.items.push_back(std::move(*item));
            }
        }
        return page;
    }

    RegionDef readRegion()
    {
        RegionDef r;
        r.line.number = elementLine();
        r.view = attr(QStringLiteral("view"));
        if (r.view.isEmpty())
            fail(QStringLiteral("a <labels> region needs the data view it prints"));
        r.rows = integer(QStringLiteral("rows"), 1, 1);
        r.columns = integer(QStringLiteral("columns"), 1, 1);
        r.labelWidth = length(QStringLiteral("label-width"), 0);
        r.labelHeight = length(QStringLiteral("label-height"), 0);
        if (r.labelWidth <= Length() || r.labelHeight <= Length())
            fail(QStringLiteral("a <labels> region needs label-width and label-height above 0"));
        r.columnGap = nonNegativeLength(QStringLiteral("column-gap"), 0);
        r.rowGap = nonNegativeLength(QStringLiteral("row-gap"), 0);
        r.x = length(QStringLiteral("x"), 0);
        r.y = length(QStringLiteral("y"), 0);
        r.order = choice(QStringLiteral("order"), RegionOrder::AcrossThenDown,
                         {{"across-then-down", RegionOrder::AcrossThenDown},
                          {"down-then-across", RegionOrder::DownThenAcross}});
        while (m_xml.readNextStartElement())
            if (auto item = readItem())
                r.items.push_back(std::move(*item));
        return r;
    }

    // Text and bar codes take their value from exactly one of field=, param= or the element's text.
    void readSource(Source& source, QString& value)
    {
        const bool field = has(QStringLiteral("field")), param = has(QStringLiteral("param"));
        if (field && param)
            fail(QStringLiteral("give either field or param, not both"));
        if (field) {
            source = Source::Field;
            value = attr(QStringLiteral("field"));
        } else if (param) {
            source = Source::Parameter;
            value = attr(QStringLiteral("param"));
        }
        QString text = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        checkXml();
        if (!field && !param) {
            source = Source::Literal;
            value = text;
        }
    }

    std::optional<ItemDef> readItem()
    {
        const auto n = m_xml.name();
        if (n == u"text") {
            TextDef t;
            t.line.number = elementLine();
            t.box = box();
            t.font.family = has(QStringLiteral("font")) ? attr(QStringLiteral("font")) : QStringLiteral("Arial");
            t.font.sizePt = number(QStringLiteral("size"), 10);
            if (t.font.sizePt <= 0)
                fail(QStringLiteral("a font size must be above 0"));
            t.font.bold = flag(QStringLiteral("bold"), false);
            t.font.italic = flag(QStringLiteral("italic"), false);
            t.color = color(QStringLiteral("color"), Rgb{});
            t.align = choice(QStringLiteral("align"), HAlign::Left,
                             {{"left", HAlign::Left}, {"center", HAlign::Center}, {"right", HAlign::Right}});
            t.valign = choice(QStringLiteral("valign"), VAlign::Top,
                              {{"top", VAlign::Top}, {"middle", VAlign::Middle}, {"bottom", VAlign::Bottom}});
            t.rotation = choice(QStringLiteral("rotation"), std::uint16_t{0},
                                {{"0", std::uint16_t{0}}, {"90", std::uint16_t{90}},
                                 {"180", std::uint16_t{180}}, {"270", std::uint16_t{270}}});
            t.shrinkToFit = flag(QStringLiteral("shrink-to-fit"), false);
            readSource(t.source, t.value);
            return t;
        }
        if (n == u"barcode") {
            BarcodeDef b;
            b.line.number = elementLine();
            b.box = box();
            std::vector<std::pair<const char*, const Symbology*>> types;
            for (const Symbology& row : symbologies())
                types.emplace_back(row.name, &row);
            const Symbology& type = *choiceOf(QStringLiteral("type"), &defaultSymbology(), types);
            b.options.symbology = &type;
            b.options.barHeightMm = number(QStringLiteral("bar-height"), b.box.height > Length() ? b.box.height.mm() : 10);
            if (b.options.barHeightMm <= 0)
                fail(QStringLiteral("bar-height must be above 0"));
            b.options.moduleMm = nonNegative(QStringLiteral("module"), 0);
            b.options.humanReadable = flag(QStringLiteral("human-readable"), type.text);
            if (b.options.humanReadable && !type.text)
                fail(QStringLiteral("type %1 draws no human-readable text: human-readable must be no").arg(QLatin1String(type.name)));
            b.options.gs1DigitalLink = flag(QStringLiteral("gs1-digital-link"), false);
            if (b.options.gs1DigitalLink && !type.digitalLink) {
                QStringList linked;
                for (const Symbology& row : symbologies())
                    if (row.digitalLink)
                        linked << QLatin1String(row.name);
                fail(QStringLiteral("gs1-digital-link is for the types %1, not %2").arg(linked.join(QStringLiteral(", ")), QLatin1String(type.name)));
            }
            b.options.quietZones = flag(QStringLiteral("quiet-zones"), true);
            b.align = choice(QStringLiteral("align"), HAlign::Center,
                             {{"left", HAlign::Left}, {"center", HAlign::Center}, {"right", HAlign::Right}});
            readSource(b.source, b.value);
            return b;
        }
        if (n == u"line") {
            LineDef l;
            l.line.number = elementLine();
            l.x1 = length(QStringLiteral("x1"), 0);
            l.y1 = length(QStringLiteral("y1"), 0);
            l.x2 = length(QStringLiteral("x2"), 0);
            l.y2 = length(QStringLiteral("y2"), 0);
            l.width = nonNegativeLength(QStringLiteral("width"), 0.2);
            l.color = color(QStringLiteral("color"), Rgb{});
            m_xml.skipCurrentElement();
            return l;
        }
        if (n == u"rect") {
            RectDef r;
            r.line.number = elementLine();
            r.box = box();
            r.strokeWidth = nonNegativeLength(QStringLiteral("stroke"), 0.2);
            r.stroke = color(QStringLiteral("stroke-color"), Rgb{});
            r.filled = has(QStringLiteral("fill"));
            r.fill = color(QStringLiteral("fill"), Rgb{255, 255, 255});
            m_xml.skipCurrentElement();
            return r;
        }
        if (n == u"image") {
            ImageDef i;
            i.line.number = elementLine();
            i.box = box();
            const QString file = attr(QStringLiteral("file"));
            if (file.isEmpty())
                fail(QStringLiteral("an image needs a file"));
            i.path = QFileInfo(QDir(m_dir), QString(file).replace(u'\\', u'/')).absoluteFilePath();
            m_xml.skipCurrentElement();
            return i;
        }
        unknown();
        return std::nullopt;
    }

    QXmlStreamReader m_xml;
    QString m_text;
    std::vector<qsizetype> m_lineStarts;
    QString m_dir;
    QString m_path;
    MessageSink& m_messages;
    Definition m_def;
};

} // namespace

QString unknownClassMessage(const QString& name)
{
    return QStringLiteral("Unknown class \"%1\" found.  You will need to include the unit containing "
                          "this component to your uses clause.")
        .arg(name);
}

Definition Definition::blank()
{
    Definition def;
    PageDef page;
    page.print.paperName = QStringLiteral("A4");
    def.reports.push_back(ReportDef{QStringLiteral("Report1"), {PageEntry{page}}});
    def.lastActiveReport = QStringLiteral("Report1");
    return def;
}

Definition readDefinition(const QByteArray& bytes, const QString& path, MessageSink& messages)
{
    if (bytes.isEmpty())
        return Definition::blank();
    return Reader(bytes, path, messages).read();
}

} // namespace quorvel::report
