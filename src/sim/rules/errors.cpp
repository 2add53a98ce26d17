// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "errors.h"

#include "marks.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <utility>

namespace vorlane::sim {

std::string_view errorName(ErrorKind kind) noexcept {
    switch (kind) {
    case ErrorKind::Overflow:
        return "Overflow";
    case ErrorKind::DivisionByZero:
        return "Division by zero";
    case ErrorKind::TypeMismatch:
        return "Type mismatch";
    case ErrorKind::InvalidArgument:
        return "Invalid argument";
    case ErrorKind::InvalidPropertyValue:
        return "Invalid property value";
    }
    return "Unknown error";
}

// The names are literals, so their data is NUL-terminated.
const char* RuntimeError::what() const noexcept {
    return errorName(kind_).data();
}

void raise(ErrorKind kind) {
    throw RuntimeError(kind);
}

namespace {

// Joins the parts by appending; operator+ on a literal trips a false
// -Wrestrict in GCC 12.
std::string joined(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (const std::string_view part : parts)
        text.append(part);
    return text;
}

// The length of the UTF-8 sequence that starts the text, or 0 when it
// starts with a byte that begins no valid sequence.
std::size_t sequenceLength(std::string_view text) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    if (lead < 0x80)
        length = 1;
    else if (lead >= 0xc2 && lead < 0xf5)
        length = lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
    if (length == 0 || length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(i) & 0xc0) != 0x80)
            return 0;
    // Overlong forms, surrogates and values past U+10FFFF.
    const unsigned char second = length > 1 ? byte(1) : 0;
    if ((lead == 0xe0 && second < 0xa0) || (lead == 0xed && second >= 0xa0) ||
        (lead == 0xf0 && second < 0x90) || (lead == 0xf4 && second >= 0x90))
        return 0;
    return length;
}

// The code point of a valid UTF-8 sequence of this length.
char32_t codePoint(std::string_view sequence, std::size_t length) {
    const auto byte = [&sequence](std::size_t i) {
        return static_cast<unsigned char>(sequence[i]);
    };
    static constexpr unsigned char kLeadBits[] = {0, 0x7f, 0x1f, 0x0f, 0x07};
    char32_t value = byte(0) & kLeadBits[length];
    for (std::size_t i = 1; i < length; ++i)
        value = value << 6 | (byte(i) & 0x3fu);
    return value;
}

// Characters that show nothing yet change what is around them: C1 controls,
// and the bidirectional controls, zero-width and other invisible format
// characters, which could turn a text around or hide part of it.
bool isInvisible(char32_t c) {
    return (c >= 0x80 && c <= 0x9f) || c == 0x061c || (c >= 0x200b && c <= 0x200f) ||
           (c >= 0x2028 && c <= 0x202e) || (c >= 0x2060 && c <= 0x206f) || c == 0xfeff;
}

// The bytes that have escapes of their own; a backslash is doubled, so that
// every escape reads one way.
constexpr std::pair<unsigned char, const char*> kNamedEscapes[] = {
    {'\0', "\\0"}, {'\n', "\\n"}, {'\r', "\\r"}, {'\t', "\\t"}, {'\\', "\\\\"}};

std::string hexEscape(unsigned value, int digits, char kind) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string escape{'\\', kind};
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        escape += kHex[(value >> shift) & 0xfu];
    return escape;
}

// A field holds up to 32767 characters; a message shows the first 40 of a
// longer text, with the combining marks of the 40th, then "...".
std::string shown(std::string_view text) {
    constexpr std::size_t kLongest = 40;
    std::size_t end = 0;
    for (std::size_t characters = 0; end < text.size() && characters < kLongest; ++characters)
        end += std::max<std::size_t>(sequenceLength(text.substr(end)), 1);
    for (std::size_t length; end < text.size() && (length = sequenceLength(text.substr(end))) > 0 &&
                             isCombiningMark(codePoint(text.substr(end), length));)
        end += length;
    return end == text.size() ? printable(text) : joined({printable(text.substr(0, end)), "..."});
}

// A number as the user typed it, without the blanks around it.
std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// "The value 12 in "smax"", the start of every sentence about a value.
std::string valueIn(std::string_view caption, std::string_view text) {
    return joined({"The value ", shown(trimmed(text)), " in \"", caption, "\""});
}

} // namespace

std::string printable(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    while (!text.empty()) {
        const std::size_t length = sequenceLength(text);
        const auto lead = static_cast<unsigned char>(text[0]);
        const char32_t value = length > 0 ? codePoint(text, length) : 0;
        text.remove_prefix(std::max<std::size_t>(length, 1));
        const auto named =
            std::find_if(std::begin(kNamedEscapes), std::end(kNamedEscapes),
                         [lead](const auto& escape) { return escape.first == lead; });
        if (named != std::end(kNamedEscapes))
            result += named->second;
        else if (length == 0 || lead < 0x20 || lead == 0x7f)
            result += hexEscape(lead, 2, 'x');
        else if (isInvisible(value))
            result += hexEscape(value, 4, 'u');
        else
            result.append(text.data() - length, length);
    }
    return result;
}

std::string fieldProblem(ErrorKind kind, std::string_view caption, std::string_view text) {
    const std::string value = valueIn(caption, text);
    switch (kind) {
    case ErrorKind::TypeMismatch:
        return joined({"The text \"", shown(text), "\" in \"", caption, "\" is not a number."});
    case ErrorKind::Overflow:
        return joined(
            {value, trimmed(text).starts_with('-') ? " is too small." : " is too large."});
    // A field's value is an argument only as a grey level, which must not be
    // negative.
    case ErrorKind::InvalidArgument:
        return joined({value, " is below 0."});
    // The one property that a field's value goes to unchanged is the pen
    // width, which must be at least 1.
    case ErrorKind::InvalidPropertyValue:
        return joined({value, " is below 1."});
    case ErrorKind::DivisionByZero:
        break;
    }
    return joined({value, " cannot be used."});
}

std::string differenceProblem(std::string_view minuendCaption, std::string_view minuendText,
                              std::string_view subtrahendCaption, std::string_view subtrahendText) {
    return joined({valueIn(minuendCaption, minuendText), " minus the value ",
                   shown(trimmed(subtrahendText)), " in \"", subtrahendCaption,
                   "\" is out of range."});
}

std::string errorMessage(std::string_view name, std::string_view detail) {
    return detail.empty() ? joined({"Run-time error: ", name})
                          : joined({"Run-time error: ", name, "\n", detail});
}

std::string errorMessage(const RuntimeError& error) {
    return errorMessage(errorName(error.kind()), error.detail());
}

} // namespace vorlane::sim
