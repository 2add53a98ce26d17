// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <exception>
#include <string>
#include <string_view>
#include <utility>

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
    explicit RuntimeError(ErrorKind kind, std::string detail = {})
        : kind_(kind), detail_(std::move(detail)) {}
    ErrorKind kind() const noexcept { return kind_; }
    // A sentence that says which field's text caused the error; empty when
    // no field did.
    const std::string& detail() const noexcept { return detail_; }
    const char* what() const noexcept override;

private:
    ErrorKind kind_;
    std::string detail_;
};

[[noreturn]] void raise(ErrorKind kind);

// The text as a message shows it: UTF-8 as it is; control characters,
// invisible format characters (bidirectional controls, zero-width characters,
// line and paragraph separators, U+FEFF) and bytes that are not UTF-8 escaped
// as \0, \n, \r, \t, \x1b, \u0085 or \u202e, and a backslash doubled, so
// that no text can act on a terminal, turn a message around or hide its end.
std::string printable(std::string_view text);

// The sentence for an error that the text of the field with this caption
// caused, e.g. The text "abc" in "lines" is not a number.
std::string fieldProblem(ErrorKind kind, std::string_view caption, std::string_view text);

// The sentence for a difference of two fields' values beyond its range.
std::string differenceProblem(std::string_view minuendCaption, std::string_view minuendText,
                              std::string_view subtrahendCaption, std::string_view subtrahendText);

// The whole text of the message that reports an error, the same in every
// program: "Run-time error: " and the error's name, then the detail, if any,
// on a line of its own.
std::string errorMessage(std::string_view name, std::string_view detail = {});
std::string errorMessage(const RuntimeError& error);

} // namespace vorlane::sim
