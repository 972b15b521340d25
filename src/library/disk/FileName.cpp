#include "library/disk/FileName.h"

namespace corvane::library {
namespace {

constexpr char16_t EscapeBase = 0xDC00; // + the byte, 0x80-0xFF

bool isEscape(char16_t unit) {
    return unit >= EscapeBase + 0x80 && unit <= EscapeBase + 0xFF;
}

// The code point of the valid UTF-8 sequence at `bytes[i]` and its length; 0 when invalid.
int utf8Sequence(QByteArrayView bytes, qsizetype i, char32_t* point) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    int length = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, least = 0x80, *point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, least = 0x800, *point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, least = 0x10000, *point = lead & 0x07;
    }
    if (length == 0 || i + length > bytes.size()) {
        return 0;
    }
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[i + k]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        *point = *point << 6 | (next & 0x3F);
    }
    const bool surrogate = *point >= 0xD800 && *point <= 0xDFFF;
    return *point >= least && *point <= 0x10FFFF && !surrogate ? length : 0;
}

} // namespace

QString decodeFileName(QByteArrayView bytes) {
    if (bytes.isValidUtf8()) {
        return QString::fromUtf8(bytes);
    }
    QString name;
    name.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        char32_t point = byte;
        const int length = byte < 0x80 ? 1 : utf8Sequence(bytes, i, &point);
        if (length == 0) {
            name += QChar(char16_t(EscapeBase + byte));
            ++i;
            continue;
        }
        name += QString::fromUcs4(&point, 1);
        i += length;
    }
    return name;
}

QByteArray encodeFileName(QStringView name) {
    if (!std::any_of(name.begin(), name.end(), [](QChar c) { return isEscape(c.unicode()); })) {
        return name.toUtf8();
    }
    QByteArray bytes;
    bytes.reserve(name.size() * 3);
    qsizetype from = 0; // the start of the run of text not yet encoded
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (isEscape(name[i].unicode())) {
            bytes += name.sliced(from, i - from).toUtf8();
            bytes += static_cast<char>(name[i].unicode() - EscapeBase);
            from = i + 1;
        }
    }
    bytes += name.sliced(from).toUtf8();
    return bytes;
}

QString shownName(QString name) {
    if (name.size() > MaxShownName) {
        const bool pairCut = name[MaxShownName - 1].isHighSurrogate();
        name = name.first(MaxShownName - (pairCut ? 1 : 0)) + QChar(0x2026);
    }
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c >= u' ' && c < u'\x7F') {
            continue;
        }
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (isUnshowable(c) || c.isSurrogate()) {
            name[i] = QChar::ReplacementCharacter;
        }
    }
    return name;
}

} // namespace corvane::library
