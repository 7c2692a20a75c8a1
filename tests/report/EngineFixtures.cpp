#include "EngineFixtures.h"

#include "report/TextMeasure.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTransform>

#include <cmath>

namespace quorvel::report::testing {

std::unique_ptr<table::Table> makeLabelTable(const std::vector<LabelRow>& rows)
{
    using table::FieldType;
    auto t = std::make_unique<table::Table>(
        QStringLiteral("cdsImpEtq"),
        std::vector<table::FieldDef>{{"Codigo", FieldType::Text, 25}, {"Descricao", FieldType::Text, 50},
                                     {"referencia", FieldType::Text, 20}, {"cor", FieldType::Text, 20},
                                     {"Tam", FieldType::Text, 2}, {"Marca", FieldType::Text, 20},
                                     {"preco", FieldType::Currency}, {"tipo", FieldType::Text, 20},
                                     {"grupo", FieldType::Text, 20}, {"subgrupo", FieldType::Text, 20}});
    for (const LabelRow& r : rows) {
        t->append();
        auto set = [&](int field, const char* v) {
            if (v)
                t->setText(field, v);
        };
        set(0, r.codigo);
        set(2, r.referencia);
        set(3, r.cor);
        set(4, r.tam);
        set(5, r.marca);
        set(6, r.preco);
        t->store();
    }
    return t;
}

QByteArray definitionXml(const QString& body)
{
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quorvel-report version=\"1\">\n") + body
            + QStringLiteral("\n</quorvel-report>\n"))
        .toUtf8();
}

QString writeFile(const QString& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = QDir(dir).filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return {};
    return path;
}

namespace {

QColor color(Rgb c)
{
    return QColor(c.r, c.g, c.b);
}

} // namespace

QImage rasterPage(const PageDescription& doc, std::size_t index, double dpi)
{
    const Page& page = doc.pages.at(index);
    const double scale = dpi / 72.0;
    QImage image(static_cast<int>(std::lround(page.widthPt * scale)), static_cast<int>(std::lround(page.heightPt * scale)),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    auto px = [&](double pt) { return std::round(pt * scale); };
    for (const PageItem& item : page.items) {
        if (const auto* s = std::get_if<SymbolItem>(&item)) {
            const Symbol& sym = doc.symbols.at(s->symbol);
            if (!sym.error.isEmpty()) {
                p.setPen(QPen(Qt::red, 2));
                QRectF box(s->xPt * scale, s->yPt * scale, sym.widthPt * scale, sym.heightPt * scale);
                p.drawRect(box);
                p.drawLine(box.topLeft(), box.bottomRight());
                continue;
            }
            for (const Symbol::Bar& b : sym.bars) {
                const double x0 = px(s->xPt + b.xPt), x1 = px(s->xPt + b.xPt + b.widthPt);
                const double y0 = px(s->yPt + b.yPt), y1 = px(s->yPt + b.yPt + b.heightPt);
                p.fillRect(QRectF(x0, y0, std::max(x1 - x0, 1.0), y1 - y0), Qt::black);
            }
            QFont f = toQFont(doc.fonts.at(sym.captionFont));
            f.setPixelSize(std::max(1, static_cast<int>(std::lround(doc.fonts.at(sym.captionFont).sizePt * scale))));
            p.setFont(f);
            p.setPen(Qt::black);
            for (const Symbol::Caption& c : sym.captions)
                p.drawText(QPointF((s->xPt + c.xPt) * scale, (s->yPt + c.baselinePt) * scale), c.text);
        } else if (const auto* t = std::get_if<TextItem>(&item)) {
            QFont f = toQFont(doc.fonts.at(t->font));
            f.setPixelSize(std::max(1, static_cast<int>(std::lround(doc.fonts.at(t->font).sizePt * scale))));
            p.save();
            p.translate(t->xPt * scale, t->baselinePt * scale);
            p.rotate(-t->rotation);
            p.setFont(f);
            p.setPen(color(t->color));
            p.drawText(QPointF(0, 0), t->text);
            p.restore();
        } else if (const auto* l = std::get_if<LineItem>(&item)) {
            p.setPen(QPen(color(l->color), l->widthPt * scale));
            p.drawLine(QPointF(l->x1Pt * scale, l->y1Pt * scale), QPointF(l->x2Pt * scale, l->y2Pt * scale));
        } else if (const auto* r = std::get_if<RectItem>(&item)) {
            QRectF box(r->xPt * scale, r->yPt * scale, r->widthPt * scale, r->heightPt * scale);
            if (r->filled)
                p.fillRect(box, color(r->fill));
            if (r->strokePt > 0) {
                p.setPen(QPen(color(r->stroke), r->strokePt * scale));
                p.setBrush(Qt::NoBrush);
                p.drawRect(box);
            }
        } else if (const auto* i = std::get_if<ImageItem>(&item)) {
            QImage img = QImage::fromData(doc.images.at(i->image).encoded);
            p.drawImage(QRectF(i->xPt * scale, i->yPt * scale, i->widthPt * scale, i->heightPt * scale), img);
        }
    }
    return image;
}

QStringList zbarDecode(const QImage& image)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("code.png"));
    image.save(path);
    QProcess zbar;
    zbar.start(QStringLiteral("zbarimg"), {QStringLiteral("--quiet"), QStringLiteral("-Supca.enable"), QStringLiteral("-Supce.enable"), path});
    zbar.waitForFinished(30000);
    QStringList out;
    for (const QString& line : QString::fromUtf8(zbar.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts))
        out << line.trimmed();
    return out;
}

} // namespace quorvel::report::testing
