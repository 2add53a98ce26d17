// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A field's text in a message, on any bytes: the message is UTF-8 without
// control or invisible format characters, and its escapes give back the
// text, either whole or, for a UTF-8 text longer than 40 characters, its
// first 40 with the combining marks of the 40th, and "...".
#include "require.h"
#include "sim/rules/errors.h"

#include <QList>
#include <QStringDecoder>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace vorlane::sim;

namespace {

// The bytes that the escapes of a shown text stand for.
std::string unescaped(std::string_view shown) {
    std::string text;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] != '\\') {
            text += shown[i];
            continue;
        }
        require(++i < shown.size(), "a backslash at the end");
        const char kind = shown[i];
        const std::size_t digits = kind == 'x' ? 2 : kind == 'u' ? 4 : 0;
        // Each escape's letter, then the byte it stands for.
        constexpr std::string_view simple("0\0n\nr\rt\t\\\\", 10);
        const std::size_t at = simple.find(kind);
        require(digits > 0 || (at != std::string_view::npos && at % 2 == 0), "an unknown escape");
        if (digits == 0) {
            text += simple[at + 1];
            continue;
        }
        require(i + digits < shown.size(), "an escape cut short");
        const unsigned value =
            unsigned(std::stoul(std::string(shown.substr(i + 1, digits)), nullptr, 16));
        // \u is a character in UTF-8, \x a byte.
        if (kind == 'u')
            text += QString(QChar(char16_t(value))).toStdString();
        else
            text += char(value);
        i += digits;
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string message = fieldProblem(ErrorKind::TypeMismatch, "lines", text);
    constexpr std::string_view head = "The text \"", tail = "\" in \"lines\" is not a number.";
    require(message.starts_with(head) && message.ends_with(tail), "the sentence around the text");
    std::string_view shown(message);
    shown = shown.substr(head.size(), shown.size() - head.size() - tail.size());

    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded = decoder.decode(QByteArrayView(shown.data(), qsizetype(shown.size())));
    require(!decoder.hasError(), "a message that is not UTF-8");
    for (const QChar c : decoded) {
        require(c.unicode() >= 0x20 && (c.unicode() < 0x7f || c.unicode() >= 0xa0),
                "a control character in a message");
        const char16_t u = c.unicode();
        require(u != 0x061c && (u < 0x200b || u > 0x200f) && (u < 0x2028 || u > 0x202e) &&
                    (u < 0x2060 || u > 0x206f) && u != 0xfeff,
                "an invisible format character in a message");
    }

    if (unescaped(shown) == text)
        return 0;
    require(shown.ends_with("..."), "a text changed without being cut");
    const std::string start = unescaped(shown.substr(0, shown.size() - 3));
    require(start.size() < text.size() && text.starts_with(start), "a cut text is not the start");
    QStringDecoder whole(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString full = whole.decode(QByteArrayView(text.data(), qsizetype(text.size())));
    if (whole.hasError())
        return 0;
    const QList<uint> kept = QString::fromUtf8(start.data(), qsizetype(start.size())).toUcs4();
    const QList<uint> all = full.toUcs4();
    require(kept.size() >= 40 && all.size() > kept.size(),
            "a UTF-8 text cut other than after 40 whole characters");
    for (qsizetype i = 40; i < kept.size(); ++i)
        require(QChar::isMark(char32_t(kept[i])), "more than the 40th character's marks kept");
    require(!QChar::isMark(char32_t(all[kept.size()])), "a combining mark parted from its character");
    return 0;
}
