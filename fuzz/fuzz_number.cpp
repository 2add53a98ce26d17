// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The number reader on any text: it accepts exactly the decimal numbers that
// strtod reads whole, and its value is strtod's (Overflow where strtod gives
// an infinity).
#include "require.h"
#include "sim/rules/numeric.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

using namespace vorlane::sim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::optional<ErrorKind> error;
    double value = 0.0;
    try {
        value = parseNumber(text);
    } catch (const RuntimeError& e) {
        error = e.kind();
    }
    require(!error || *error == ErrorKind::TypeMismatch || *error == ErrorKind::Overflow,
            "only TypeMismatch or Overflow");

    // strtod (in the C locale, libFuzzer sets none) on the text less the
    // blanks around it, which the reader skips.
    std::string_view body(text);
    while (!body.empty() && (body.front() == ' ' || body.front() == '\t'))
        body.remove_prefix(1);
    while (!body.empty() && (body.back() == ' ' || body.back() == '\t'))
        body.remove_suffix(1);
    const std::string trimmed(body);
    char* end = nullptr;
    const double expected = std::strtod(trimmed.c_str(), &end);
    const bool wholeNumber = !trimmed.empty() && end == trimmed.c_str() + trimmed.size() &&
                             trimmed.find_first_not_of("0123456789.eE+-") == std::string::npos;

    if (error == ErrorKind::TypeMismatch) {
        require(!wholeNumber, "a decimal number that strtod reads whole is refused");
        return 0;
    }
    require(wholeNumber, "a text accepted that strtod does not read whole as a decimal number");
    if (error == ErrorKind::Overflow) {
        require(std::isinf(expected), "Overflow where strtod gives a finite value");
        return 0;
    }
    require(std::memcmp(&value, &expected, sizeof value) == 0, "a value other than strtod's");
    return 0;
}
