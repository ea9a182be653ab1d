#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Code pages of help files: which Windows code page an RTF character set stands for, decoding
// 8-bit text in a code page, and guessing the encoding of a plain-text help file.

#include <QByteArrayView>
#include <QString>

#include <map>
#include <memory>

class QStringDecoder;

namespace tarvel {

inline constexpr int kCodePageWestern = 1252;
inline constexpr int kCodePageCyrillic = 1251;

// The Windows code page of an RTF \fcharset value, or 0 when the set names none (the default
// and symbol sets), in which case the document's code page applies.
int codePageForCharset(int charset);

// Decodes 8-bit text in Windows code pages. Keeps one decoder per code page, because opening
// a converter costs far more than decoding a run of text. A code page this system cannot
// decode is read as Windows-1252.
class CodePageDecoder {
public:
    CodePageDecoder();
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    QString decode(QByteArrayView bytes, int codePage);

private:
    QStringDecoder& decoderFor(int codePage);
    std::map<int, std::unique_ptr<QStringDecoder>> decoders_;
};

// Makes text safe to hand to a QTextDocument: characters it reserves for its own structure
// (frame markers, object replacement, paragraph separator) and unpaired surrogates become
// U+FFFD or a line separator; control characters other than tab and line feed are dropped.
void sanitizeForDocument(QString& text);

// A plain-text help file: UTF-8, UTF-16 or UTF-32 when it carries a byte-order mark, UTF-8
// when its bytes are valid UTF-8, else cp1251. Line ends become '\n'; NUL bytes and other
// control characters but the tab are dropped.
QString decodePlainText(QByteArrayView data);

} // namespace tarvel
