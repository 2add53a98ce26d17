// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "m1.h"

#include <numbers>

namespace vorlane::sim::m1 {

void setconstants() {
    pi = static_cast<float>(std::numbers::pi);
    torad = static_cast<float>(static_cast<double>(pi) / 180.0);
    todeg = static_cast<float>(180.0 / static_cast<double>(pi));
}

} // namespace vorlane::sim::m1
