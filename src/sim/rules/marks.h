// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vorlane::sim {

// True for a combining mark (an accent, a vowel sign, an enclosing circle):
// it belongs to the character before it, and a cut between them would show a
// different letter.
bool isCombiningMark(char32_t c) noexcept;

} // namespace vorlane::sim
