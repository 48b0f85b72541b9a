#include "Pixello/CropOverlay.h"

#include <cstddef>

void CropOverlay::place(platform::Rect clear, float width, float height) {
    const float x = clear.x();
    const float y = clear.y();
    const float w = clear.width();
    const float h = clear.height();
    struct Corner {
        float x;
        float y;
    };
    const Corner tl{0.0f, 0.0f}, tr{width, 0.0f}, bl{0.0f, height}, br{width, height};
    const Corner a{x, y}, b{x + w, y}, c{x + w, y + h}, d{x, y + h};
    // Eight triangles covering the drawable outside the rectangle, top-down corners
    // turned into GL's bottom-up positions.
    const Corner triangles[8][3] = {{bl, br, c}, {bl, c, d}, {bl, d, tl}, {tl, a, d},
                                    {tl, a, tr}, {a, b, tr}, {tr, b, br}, {b, br, c}};
    std::size_t k = 0;
    for (const auto& triangle : triangles) {
        for (const Corner& corner : triangle) {
            shade[k++] = corner.x;
            shade[k++] = height - corner.y;
        }
    }
    outline = {x, height - y, x, height - y - h, x + w, height - y - h, x + w, height - y};
}
