#include "errors.h"

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

} // namespace vorlane::sim
