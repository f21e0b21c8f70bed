#include "DisplayText.h"

#include <algorithm>
#include <array>

namespace {

// 0x80-0x9F, the only range where Windows-1252 and Latin-1 differ. The unassigned bytes
// 0x81, 0x8D, 0x8F, 0x90 and 0x9D keep their Latin-1 code points.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr qsizetype ShownNameLimit = 4096;
constexpr qsizetype ShownDescriptionLimit = 65536;

QString shownPart(QByteArrayView text, qsizetype limit) {
    return displayText(text.first(std::min(text.size(), limit)));
}

} // namespace

QString displayText(QByteArrayView bytes) {
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = QChar(byte >= 0x80 && byte < 0xA0 ? Cp1252High[byte - 0x80] : char16_t(byte));
    }
    return text;
}

QString tilesetCaption(int tileset) {
    return QStringLiteral("Tileset Number: %1").arg(tileset);
}

QString shownName(QByteArrayView name) {
    return shownPart(name, ShownNameLimit);
}

QString shownDescription(const ServerEntry &server) {
    return shownPart(server.Description, ShownDescriptionLimit);
}

QString spokenDetails(const QString &caption, const QString &description) {
    if (description.trimmed().isEmpty())
        return caption;
    return caption + QStringLiteral(". ") + description;
}
