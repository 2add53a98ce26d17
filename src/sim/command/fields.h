// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The panel's eight fields that "draw rings" reads: their names, the captions
// that messages name them by and the texts they start with, in one table.

#include <stdexcept>
#include <string>
#include <string_view>

namespace vorlane::sim {

// The panel's texts that the command reads, each at its own step. They start
// as the panel's defaults.
struct RingFields {
    RingFields();

    std::string txtsegmin;
    std::string txtsegmax;
    std::string txtlines;
    std::string txtseglength;
    std::string txtscratchcol;
    std::string txtsky;
    std::string txtdrawwidth;
    std::string txtanglim;
};

// A field by its name on the panel, by the caption of its label there, which
// messages use to point at it, and by the text it starts with.
struct RingField {
    const char* name;
    std::string RingFields::*text;
    const char* caption;
    const char* defaultText;
};

// The fields in the panel's order.
// clang-format off
inline constexpr RingField kRingFieldsByName[] = {
    {"txtsegmin", &RingFields::txtsegmin, "smin", "4"},
    {"txtsegmax", &RingFields::txtsegmax, "smax", "100"},
    {"txtlines", &RingFields::txtlines, "lines", "750"},
    {"txtseglength", &RingFields::txtseglength, "seg ln", ".02"},
    {"txtscratchcol", &RingFields::txtscratchcol, "scratch col", "50"},
    {"txtsky", &RingFields::txtsky, "sky col", "0"},
    {"txtdrawwidth", &RingFields::txtdrawwidth, "width", "1"},
    {"txtanglim", &RingFields::txtanglim, "anglim", "15"},
};
// clang-format on

inline RingFields::RingFields() {
    for (const RingField& field : kRingFieldsByName)
        this->*field.text = field.defaultText;
}

// The field with this name; a name that is not in the table is the caller's
// fault, and does not compile where the field is needed at compile time.
constexpr const RingField& ringField(std::string_view name) {
    for (const RingField& field : kRingFieldsByName)
        if (name == field.name)
            return field;
    throw std::invalid_argument("no such field");
}

consteval const char* ringCaption(std::string_view name) {
    return ringField(name).caption;
}

consteval const char* ringDefault(std::string_view name) {
    return ringField(name).defaultText;
}

// The fields from their texts kept elsewhere by name: textOf(name) gives the
// text of the field with that name.
template <typename TextOf> RingFields ringFieldsFrom(TextOf&& textOf) {
    RingFields fields;
    for (const RingField& field : kRingFieldsByName)
        fields.*field.text = textOf(field.name);
    return fields;
}

} // namespace vorlane::sim
