// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace vorlane::sim {

// A colour value: red + 256 * green + 65536 * blue, each component 0 to 255.
using Colour = std::int32_t;

inline constexpr Colour kWhite = 16777215;
inline constexpr Colour kYellow = 65535;

// The canvas as the drawing command sees it. Sizes and positions are twips,
// drawing coordinates are the user coordinates set by scale(). Every operation
// either does its job or raises a RuntimeError; what it did before stays done.
class Canvas {
public:
    virtual ~Canvas() = default;

    virtual void setHeight(float twips) = 0;
    virtual void setWidth(float twips) = 0;
    virtual float height() const = 0;
    virtual float width() const = 0;
    virtual void setTop(float twips) = 0;
    virtual void setLeft(float twips) = 0;

    // x1, y1 become the left and top edges, x2, y2 the right and bottom edges.
    virtual void scale(float x1, float y1, float x2, float y2) = 0;
    // Fills the whole drawing area with the background colour.
    virtual void cls() = 0;
    // Sets the background colour and at once fills the drawing area with it.
    virtual void setBackColor(Colour colour) = 0;
    virtual void setForeColor(Colour colour) = 0;
    // Pen width in pixels; below 1 is refused.
    virtual void setDrawWidth(std::int16_t pixels) = 0;
    // A line in the current colour and pen width, cut off at the drawing area.
    virtual void line(float x1, float y1, float x2, float y2) = 0;
};

} // namespace vorlane::sim
