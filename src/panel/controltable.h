// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The panel's controls as they were designed: one row a control, read by the
// panel to build itself and by its tests to compare it with the design.

#include "sim/command/fields.h"

#include <QRgb>

#include <optional>
#include <utility>

namespace vorlane::panel::design {

enum class Kind { Rectangle, Label, TextBox, Button, TickedCheckBox };

struct Font {
    double points;
    bool bold;
};

inline constexpr int kNoTab = -1;

// One control of the panel. Positions and sizes are twips from the top-left
// corner of the panel's client area.
struct ControlData {
    const char* name;
    Kind kind;
    const char* text;
    float left, top, width, height;
    std::optional<QRgb> back; // fill, background or button face
    std::optional<QRgb> fore; // text or border
    std::optional<Font> font;
    int tab;
};

inline constexpr std::optional<QRgb> kDefault;
// The panel was designed in "MS Sans Serif", a Windows bitmap font. One
// family stands in for it, the one that scripts/install-deps installs, so that
// the panel looks the same on every machine.
inline constexpr const char* kFamily = "Liberation Sans";
// Its colours were chosen for a light theme: one style draws it, in that
// style's light palette, whatever the desktop's style and palette, so that
// no dark theme puts light text on the panel's fixed light backgrounds.
inline constexpr const char* kStyle = "Fusion";
// Also the font of the controls without their own.
inline constexpr Font kPlain{8.25, false};
inline constexpr Font kBold{8.25, true};
inline constexpr Font kLarge{9.75, false};
inline constexpr QRgb kRed = qRgb(255, 0, 0);
inline constexpr QRgb kPaleGrey = qRgb(224, 224, 224);
inline constexpr QRgb kGrey = qRgb(192, 192, 192);

// In creation order: later controls lie above earlier ones, and the
// rectangles are put beneath all of them.
// clang-format off
inline constexpr ControlData kControls[] = {
    // name, kind, text, left, top, width, height, back, fore, font, tab
    {"Shape1", Kind::Rectangle, "", 660, 120, 975, 4515, qRgb(207, 201, 199), qRgb(128, 128, 128), {}, kNoTab},
    {"Label1", Kind::Label, sim::ringCaption("txtsegmin"), 180, 240, 315, 315, kDefault, kRed, {}, 9},
    {"txtsegmin", Kind::TextBox, sim::ringDefault("txtsegmin"), 780, 240, 615, 315, kDefault, kDefault, {}, 7},
    {"Label3", Kind::Label, sim::ringCaption("txtsegmax"), 180, 600, 255, 315, kDefault, kDefault, {}, 10},
    {"txtsegmax", Kind::TextBox, sim::ringDefault("txtsegmax"), 780, 600, 615, 315, kDefault, kDefault, {}, 8},
    {"Label4", Kind::Label, sim::ringCaption("txtlines"), 120, 1020, 495, 315, kDefault, kRed, {}, 12},
    {"txtlines", Kind::TextBox, sim::ringDefault("txtlines"), 780, 1020, 615, 315, qRgb(255, 255, 255), qRgb(255, 128, 128), kBold, 11},
    {"Label5", Kind::Label, sim::ringCaption("txtseglength"), 120, 1440, 495, 315, kDefault, kRed, {}, 14},
    {"txtseglength", Kind::TextBox, sim::ringDefault("txtseglength"), 780, 1440, 615, 315, kPaleGrey, kDefault, {}, 13},
    {"Label7", Kind::Label, sim::ringCaption("txtscratchcol"), 120, 1860, 495, 435, kDefault, kRed, {}, 17},
    {"txtscratchcol", Kind::TextBox, sim::ringDefault("txtscratchcol"), 780, 1920, 615, 315, kPaleGrey, kDefault, {}, 16},
    {"Label8", Kind::Label, sim::ringCaption("txtsky"), 60, 2400, 495, 375, kDefault, kDefault, {}, 18},
    {"txtsky", Kind::TextBox, sim::ringDefault("txtsky"), 780, 2400, 615, 315, kPaleGrey, kDefault, {}, 15},
    {"Label9", Kind::Label, sim::ringCaption("txtdrawwidth"), 120, 3120, 495, 315, kDefault, kDefault, {}, 20},
    {"txtdrawwidth", Kind::TextBox, sim::ringDefault("txtdrawwidth"), 780, 3120, 615, 315, kGrey, kDefault, {}, 19},
    {"Label12", Kind::Label, sim::ringCaption("txtanglim"), 120, 3840, 495, 315, kDefault, kRed, {}, 22},
    {"txtanglim", Kind::TextBox, sim::ringDefault("txtanglim"), 780, 3840, 615, 315, kGrey, kDefault, {}, 21},
    {"Shape3", Kind::Rectangle, "", 120, 4680, 1695, 1215, kPaleGrey, kDefault, {}, kNoTab},
    {"cmdhex", Kind::Button, "draw rings", 360, 4800, 1215, 552, qRgb(255, 224, 192), kDefault, kLarge, 24},
    {"cmdclear", Kind::Button, "Clear", 480, 5460, 855, 315, kGrey, kDefault, {}, 23},
    {"Label10", Kind::Label, "vorlane.example.org/rings", 0, 6000, 1935, 255, kDefault, qRgb(0, 0, 255), {}, 30},
    // Outside the visible area at the panel's design size.
    {"Command2", Kind::Button, "solcheck", 2280, 8280, 1215, 255, kDefault, kDefault, {}, 0},
    {"Command3", Kind::Button, "Airy test", 3600, 8280, 1215, 255, kDefault, kDefault, {}, 1},
    {"Command4", Kind::Button, "File mono airy", 5040, 8280, 1215, 255, kDefault, kDefault, {}, 2},
    {"txtlam", Kind::TextBox, "", 6840, 8280, 975, 285, kDefault, kDefault, {}, 3},
    {"Label2", Kind::Label, "lam, nm", 7920, 8280, 615, 255, kDefault, kPaleGrey, {}, 4},
    {"lblir", Kind::Label, "IR", 6480, 8280, 375, 255, kDefault, kPaleGrey, {}, 5},
    {"Label6", Kind::Label, "Classical non convolved", 9840, 6720, 975, 495, kDefault, kPaleGrey, {}, 6},
    {"k2", Kind::TickedCheckBox, "2", 2100, 7800, 615, 255, kDefault, kDefault, {}, 25},
    {"k3", Kind::TickedCheckBox, "3", 2280, 6840, 495, 255, kDefault, kDefault, {}, 26},
    {"k4", Kind::TickedCheckBox, "4", 2280, 7080, 495, 255, kDefault, kDefault, {}, 27},
    {"k5", Kind::TickedCheckBox, "5", 2280, 7320, 495, 255, kDefault, kDefault, {}, 28},
    {"k6", Kind::TickedCheckBox, "6", 2160, 7560, 615, 255, kDefault, kDefault, {}, 29},
};
// clang-format on

// Each entry field's label, which also names it for a screen reader.
inline constexpr std::pair<const char*, const char*> kFieldLabels[] = {
    {"Label1", "txtsegmin"},    {"Label3", "txtsegmax"},     {"Label4", "txtlines"},
    {"Label5", "txtseglength"}, {"Label7", "txtscratchcol"}, {"Label8", "txtsky"},
    {"Label9", "txtdrawwidth"}, {"Label12", "txtanglim"},    {"Label2", "txtlam"},
};

// The size of the panel's client area.
inline constexpr float kClientWidth = 1980.0f;
inline constexpr float kClientHeight = 6330.0f;
inline constexpr QRgb kBackColor = qRgb(192, 192, 192);

} // namespace vorlane::panel::design
