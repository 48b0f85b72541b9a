#pragma once

#include "platform/base/Geometry.h"

#include <array>

// The crop overlay's geometry in a drawable of width × height pixels, in GL's bottom-up
// positions: eight triangles covering the drawable outside the clear rectangle, and the
// rectangle's outline as a line loop.
struct CropOverlay {
    std::array<float, 48> shade{};  // 24 vertices, two floats each
    std::array<float, 8> outline{}; // 4 vertices

    // Around `clear`, given in drawable pixels with y downward.
    void place(platform::Rect clear, float width, float height);
};
