// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/TextEncoding.h"

#include <QStringDecoder>

namespace tarvel {

int codePageForCharset(int charset)
{
    switch (charset) {
    case 0:
        return 1252; // ANSI
    case 77:
        return 10000; // Mac Roman
    case 78:
        return 10001; // Mac Japanese
    case 79:
        return 10003; // Mac Korean
    case 80:
        return 10008; // Mac Simplified Chinese
    case 81:
        return 10002; // Mac Traditional Chinese
    case 128:
        return 932; // Shift JIS
    case 129:
        return 949; // Hangul
    case 130:
        return 1361; // Johab
    case 134:
        return 936; // GB2312
    case 136:
        return 950; // Big5
    case 161:
        return 1253; // Greek
    case 162:
        return 1254; // Turkish
    case 163:
        return 1258; // Vietnamese
    case 177:
        return 1255; // Hebrew
    case 178:
        return 1256; // Arabic
    case 186:
        return 1257; // Baltic
    case 204:
        return 1251; // Cyrillic
    case 222:
        return 874; // Thai
    case 238:
        return 1250; // Eastern European
    case 254:
        return 437; // PC 437
    case 255:
        return 850; // OEM
    default:
        return 0; // 1 default, 2 symbol, 3 invalid, anything unknown
    }
}

namespace {

// The converter name of a Windows code page, or nullptr for one we do not offer.
const char* converterName(int codePage)
{
    switch (codePage) {
    case 437:
        return "IBM437";
    case 850:
        return "IBM850";
    case 866:
        return "IBM866";
    case 874:
        return "windows-874";
    case 932:
        return "Shift_JIS";
    case 936:
        return "GBK";
    case 949:
        return "CP949";
    case 950:
        return "Big5";
    case 1250:
        return "windows-1250";
    case 1251:
        return "windows-1251";
    case 1252:
        return "windows-1252";
    case 1253:
        return "windows-1253";
    case 1254:
        return "windows-1254";
    case 1255:
        return "windows-1255";
    case 1256:
        return "windows-1256";
    case 1257:
        return "windows-1257";
    case 1258:
        return "windows-1258";
    case 1361:
        return "Johab";
    case 10000:
        return "macintosh";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    case 65001:
        return "UTF-8";
    default:
        return nullptr;
    }
}

} // namespace

CodePageDecoder::CodePageDecoder() = default;
CodePageDecoder::~CodePageDecoder() = default;

QStringDecoder& CodePageDecoder::decoderFor(int codePage)
{
    if (!converterName(codePage))
        codePage = kCodePageWestern; // one cache entry for every unknown page, however many
    auto found = decoders_.find(codePage);
    if (found != decoders_.end())
        return *found->second;
    auto decoder = std::make_unique<QStringDecoder>();
    if (const char* name = converterName(codePage))
        *decoder = QStringDecoder(name);
    if (!decoder->isValid() && codePage != kCodePageWestern) {
        // Fall back on the western code page's decoder (itself cached).
        QStringDecoder& western = decoderFor(kCodePageWestern);
        if (western.isValid())
            *decoder = QStringDecoder(western.name());
    }
    if (!decoder->isValid())
        *decoder = QStringDecoder(QStringConverter::Latin1);
    return *decoders_.emplace(codePage, std::move(decoder)).first->second;
}

QString CodePageDecoder::decode(QByteArrayView bytes, int codePage)
{
    QStringDecoder& decoder = decoderFor(codePage);
    decoder.resetState();
    return decoder.decode(bytes);
}

void sanitizeForDocument(QString& text)
{
    qsizetype out = 0;
    const qsizetype n = text.size();
    QChar* chars = text.data();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = chars[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(chars[i + 1].unicode())) {
            chars[out++] = chars[i];
            chars[out++] = chars[++i];
            continue;
        }
        const bool control = (c < 0x20 && c != u'\t' && c != u'\n') || (c >= 0x7F && c < 0xA0);
        if (control) {
            continue; // control characters show as boxes or break the layout
        } else if (c == 0x2029) {
            chars[out++] = QChar(QChar::LineSeparator);
        } else if (QChar::isSurrogate(c) || (c >= 0xFDD0 && c <= 0xFDEF) || c == 0xFFFE || c == 0xFFFF
            || c == 0xFFFC) {
            chars[out++] = QChar(QChar::ReplacementCharacter);
        } else {
            chars[out++] = chars[i];
        }
    }
    text.truncate(out);
}

QString decodePlainText(QByteArrayView data)
{
    QString text;
    if (auto bom = QStringConverter::encodingForData(data); bom) {
        QStringDecoder decoder(*bom); // skips the mark itself
        text = decoder.decode(data);
    } else {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        text = utf8.decode(data);
        if (utf8.hasError()) {
            CodePageDecoder cp;
            text = cp.decode(data, kCodePageCyrillic);
        }
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar(u'\r'), QChar(u'\n'));
    sanitizeForDocument(text);
    return text;
}

} // namespace tarvel
