#include "report/engine/Symbology.h"

#include <zint.h>

#include <algorithm>
#include <array>

namespace quorvel::report {

namespace {

bool allDigits(const QString& s)
{
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// zint pads, upper-cases or re-encodes what these refuse; the scanned code would differ.
QString latin1Refusal(const char* what, const QString& data)
{
    for (QChar c : data)
        if (c.unicode() > 0xFF)
            return QStringLiteral("%1 cannot encode '%2' in \"%3\"").arg(QLatin1String(what)).arg(c).arg(data);
    return {};
}

const std::array kRows{
    Symbology{
        .name = "auto",
        .resolved = [](const QString& data) -> const Symbology& {
            return *symbologyNamed(allDigits(data) && (data.size() == 12 || data.size() == 13) ? u"ean13" : u"code128");
        },
        .quietZones = {},
    },
    Symbology{
        .name = "code128",
        .zint = BARCODE_CODE128,
        .refusal = [](const QString& data) { return latin1Refusal("Code 128", data); },
        .quietZones = {10, 10},
    },
    Symbology{
        .name = "code39",
        .zint = BARCODE_CODE39,
        .refusal = [](const QString& data) -> QString {
            for (QChar c : data)
                if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || QStringView(u" -.$/+%").contains(c)))
                    return QStringLiteral("Code 39 cannot encode '%1' in \"%2\"").arg(c).arg(data);
            return {};
        },
        .quietZones = {10, 10},
    },
    Symbology{
        .name = "ean13",
        .zint = BARCODE_EANX,
        .refusal = [](const QString& data) -> QString {
            if (!allDigits(data) || (data.size() != 12 && data.size() != 13))
                return QStringLiteral("EAN-13 needs 12 or 13 digits: \"%1\"").arg(data);
            return {};
        },
        .quietZones = {11, 7},
        .retailModule = true,
    },
    Symbology{
        .name = "ean8",
        // Plain EAN mode pads 8 digits into an EAN-13; the check-digit mode keeps EAN-8.
        .zint = BARCODE_EANX_CHK,
        .refusal = [](const QString& data) -> QString {
            if (!allDigits(data) || (data.size() != 7 && data.size() != 8))
                return QStringLiteral("EAN-8 needs 7 or 8 digits: \"%1\"").arg(data);
            return {};
        },
        .prepared = [](const QString& data) { return data.size() == 7 ? data + eanCheckDigit(data) : data; },
        .quietZones = {7, 7},
        .retailModule = true,
        .sample = "96385074",
    },
    Symbology{
        .name = "upca",
        .zint = BARCODE_UPCA,
        .refusal = [](const QString& data) -> QString {
            if (!allDigits(data) || (data.size() != 11 && data.size() != 12))
                return QStringLiteral("UPC-A needs 11 or 12 digits: \"%1\"").arg(data);
            return {};
        },
        .quietZones = {9, 9},
        .retailModule = true,
        .sample = "036000291452",
    },
    Symbology{
        .name = "upce",
        .zint = BARCODE_UPCE,
        .zintChecked = BARCODE_UPCE_CHK,
        .checkedLength = 8,
        .refusal = [](const QString& data) -> QString {
            const auto n = data.size();
            if (!allDigits(data) || n < 6 || n > 8)
                return QStringLiteral("UPC-E needs 6 to 8 digits: \"%1\"").arg(data);
            if (n > 6 && data[0] != u'0' && data[0] != u'1')
                return QStringLiteral("UPC-E number system must be 0 or 1: \"%1\"").arg(data);
            return {};
        },
        .quietZones = {9, 7},
        .retailModule = true,
        .sample = "01234565",
    },
    Symbology{
        .name = "itf",
        .zint = BARCODE_C25INTER,
        .refusal = [](const QString& data) -> QString {
            if (!allDigits(data) || data.size() % 2 != 0)
                return QStringLiteral("Interleaved 2 of 5 needs an even number of digits: \"%1\"").arg(data);
            return {};
        },
        .quietZones = {10, 10},
        .sample = "78912345678952",
    },
    Symbology{
        .name = "postnet",
        .zint = BARCODE_POSTNET,
        .refusal = [](const QString& data) -> QString {
            if (!allDigits(data) || (data.size() != 5 && data.size() != 9 && data.size() != 11))
                return QStringLiteral("PostNet needs 5, 9 or 11 digits: \"%1\"").arg(data);
            return {};
        },
        .barHeight = false,
        .quietZones = {},
        .fitChecked = false,
        .sample = "12345678901",
    },
    Symbology{
        .name = "qr",
        .shape = Symbology::Shape::Matrix,
        .zint = BARCODE_QRCODE,
        .refusal = [](const QString& data) { return latin1Refusal("QR Code", data); },
        .barHeight = false,
        .text = false,
        .quietZones = {4, 4, 4, 4},
        .digitalLink = true,
    },
    Symbology{
        .name = "datamatrix",
        .shape = Symbology::Shape::Matrix,
        .zint = BARCODE_DATAMATRIX,
        .zintOption3 = DM_SQUARE,
        .refusal = [](const QString& data) { return latin1Refusal("Data Matrix", data); },
        .barHeight = false,
        .text = false,
        .quietZones = {1, 1, 1, 1},
        .digitalLink = true,
    },
};

} // namespace

std::span<const Symbology> symbologies()
{
    return kRows;
}

const Symbology* symbologyNamed(QAnyStringView name)
{
    for (const Symbology& s : kRows)
        if (QAnyStringView::compare(name, QLatin1String(s.name), Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

const Symbology& defaultSymbology()
{
    return kRows.front();
}

const Symbology& resolvedSymbology(const Symbology& s, const QString& data)
{
    return s.resolved ? s.resolved(data) : s;
}

QChar eanCheckDigit(QStringView digits)
{
    int sum = 0;
    const auto n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        int d = digits[n - 1 - i].digitValue();
        sum += (i % 2 == 0) ? 3 * d : d;
    }
    return QChar(u'0' + (10 - sum % 10) % 10);
}

} // namespace quorvel::report
