#pragma once

// "draw rings": fits the canvas into the main window, paints the sky, marks
// the light source and draws the random scratches whose lit segments form
// rings about it.

#include "canvas.h"
#include "random.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vorlane::sim {

// The panel's texts that the command reads, each at its own step.
struct RingFields {
    std::string txtsegmin = "4";
    std::string txtsegmax = "100";
    std::string txtlines = "750";
    std::string txtseglength = ".02";
    std::string txtscratchcol = "50";
    std::string txtsky = "0";
    std::string txtdrawwidth = "1";
    std::string txtanglim = "15";
};

// A field by its name on the panel and by the caption of its label there,
// which messages use to point at it.
struct RingField {
    const char* name;
    std::string RingFields::*text;
    const char* caption;
};

// The fields in the panel's order.
// clang-format off
inline constexpr RingField kRingFieldsByName[] = {
    {"txtsegmin", &RingFields::txtsegmin, "smin"},
    {"txtsegmax", &RingFields::txtsegmax, "smax"},
    {"txtlines", &RingFields::txtlines, "lines"},
    {"txtseglength", &RingFields::txtseglength, "seg ln"},
    {"txtscratchcol", &RingFields::txtscratchcol, "scratch col"},
    {"txtsky", &RingFields::txtsky, "sky col"},
    {"txtdrawwidth", &RingFields::txtdrawwidth, "width"},
    {"txtanglim", &RingFields::txtanglim, "anglim"},
};
// clang-format on

// The caption of the field with this name; a name that is not in the table
// does not compile where the caption is needed at compile time.
consteval const char* ringCaption(std::string_view name) {
    for (const RingField& field : kRingFieldsByName)
        if (name == field.name)
            return field.caption;
    throw "no such field";
}

// The outer size of the main window, in twips.
struct WindowSize {
    float height = 0.0f;
    float width = 0.0f;
};

// Told now and then, on the calling thread, how many scratches are done out
// of all. While it runs no thread draws on the canvas, so it may read the
// pixels; what it throws ends the drawing.
using Progress = std::function<void(std::int64_t done, std::int64_t total)>;

// How the drawing runs; the picture does not depend on it.
struct DrawSettings {
    int threads = 1; // 1 draws on the calling thread alone
    Progress progress;
};

// Runs the whole command on f1; a RuntimeError ends it at the failing step and
// leaves whatever was drawn before. Threads other than the calling one draw
// only on a raster canvas with a stream that can be copied; whatever the
// settings, the pixels, the canvas's state and the stream's position come out
// as from the drawing on one thread, a failure included.
void cmdhex_Click(const RingFields& fc1, WindowSize main, Canvas& f1, RandomSource& random,
                  const DrawSettings& settings = {});

} // namespace vorlane::sim
