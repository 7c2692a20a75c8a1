#include "EngineFixtures.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

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
