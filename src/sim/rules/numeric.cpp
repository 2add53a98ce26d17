// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "numeric.h"

#include <charconv>

namespace vorlane::sim {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Checks the grammar digits[.digits][e[sign]digits] (at least one mantissa
// digit) and says whether the number's magnitude is at least one, so that a
// value the double range cannot hold can be told to be too large or too small.
struct Shape {
    bool valid = false;
    bool large = false;
};

Shape inspect(std::string_view body) {
    std::size_t i = 0;
    long integerDigits = 0; // significant digits before the point
    long leadingZeros = 0;  // zeros after the point before the first significant digit
    bool anyDigit = false;
    bool significant = false;
    while (i < body.size() && isDigit(body[i])) {
        anyDigit = true;
        significant = significant || body[i] != '0';
        integerDigits += significant ? 1 : 0;
        ++i;
    }
    if (i < body.size() && body[i] == '.') {
        ++i;
        while (i < body.size() && isDigit(body[i])) {
            anyDigit = true;
            if (!significant && body[i] == '0')
                ++leadingZeros;
            significant = significant || body[i] != '0';
            ++i;
        }
    }
    if (!anyDigit)
        return {};
    long exponent = 0;
    if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < body.size() && (body[i] == '+' || body[i] == '-'))
            negative = body[i++] == '-';
        if (i == body.size() || !isDigit(body[i]))
            return {};
        // The digits can move the point by at most body.size() places, so an
        // exponent held at a cap beyond that still tells large from small.
        const long cap = static_cast<long>(body.size()) + 1000;
        for (; i < body.size() && isDigit(body[i]); ++i)
            exponent = exponent < cap ? exponent * 10 + (body[i] - '0') : exponent;
        exponent = negative ? -exponent : exponent;
    }
    if (i != body.size())
        return {};
    const long magnitude = (integerDigits > 0 ? integerDigits : -leadingZeros) + exponent;
    return {true, magnitude > 0};
}

} // namespace

double parseNumber(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const Shape shape = inspect(text);
    if (!shape.valid)
        raise(ErrorKind::TypeMismatch);

    double value = 0.0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        if (shape.large)
            raise(ErrorKind::Overflow);
        value = 0.0; // too small for a double: it reads as zero
    } else if (error != std::errc() || end != text.data() + text.size()) {
        raise(ErrorKind::TypeMismatch);
    }
    return negative ? -value : value;
}

std::int16_t toInt16Floor(double value) {
    const double floored = std::floor(value);
    if (!(floored >= -32768.0 && floored <= 32767.0))
        raise(ErrorKind::Overflow);
    return static_cast<std::int16_t>(floored);
}

namespace {
template <typename I> I roundHalfEven(double value) {
    // nearbyint rounds in the current mode, which the program never changes
    // from the default: to nearest, a half to the even neighbour.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= static_cast<double>(std::numeric_limits<I>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<I>::max())))
        raise(ErrorKind::Overflow);
    return static_cast<I>(rounded);
}
} // namespace

std::int16_t toInt16Round(double value) {
    return roundHalfEven<std::int16_t>(value);
}
std::int32_t toInt32Round(double value) {
    return roundHalfEven<std::int32_t>(value);
}

} // namespace vorlane::sim
