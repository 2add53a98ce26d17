#pragma once

#include <exception>
#include <string_view>

namespace vorlane::sim {

// The kinds of run-time error that end a command. Nothing in the program
// catches them except the one place that reports them to the user.
enum class ErrorKind {
    Overflow,
    DivisionByZero,
    TypeMismatch,
    InvalidArgument,
    InvalidPropertyValue,
};

// The name the user sees for each kind, e.g. "Overflow".
std::string_view errorName(ErrorKind kind) noexcept;

class RuntimeError : public std::exception {
public:
    explicit RuntimeError(ErrorKind kind) noexcept : kind_(kind) {}
    ErrorKind kind() const noexcept { return kind_; }
    const char* what() const noexcept override;

private:
    ErrorKind kind_;
};

[[noreturn]] void raise(ErrorKind kind);

} // namespace vorlane::sim
