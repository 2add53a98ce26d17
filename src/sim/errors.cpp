#include "errors.h"

#include <initializer_list>

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

// A field holds up to 32767 characters; a message shows the start of a long text.
std::string shown(std::string_view text) {
    constexpr std::size_t kLongest = 40;
    return text.size() <= kLongest ? std::string(text) : joined({text.substr(0, kLongest), "..."});
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
