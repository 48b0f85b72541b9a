#include "Pixello/GridVertices.h"

#include "Pixello/EffectGrid.h"
#include "platform/base/Log.h"

#include <algorithm>

std::size_t GridVertices::fill(EffectGrid& grid, float width, float height, float spriteW,
                               float spriteH) {
    std::span<EffectTriangle> triangles = grid.triangles();
    const auto count = static_cast<std::size_t>(
        std::count_if(triangles.begin(), triangles.end(),
                      [](const EffectTriangle& t) { return !t.isHandled(); }));
    positions_.resize(6 * count);
    textureCoordinates_.resize(6 * count);

    grid.setWidth(width);
    grid.setHeight(height);
    std::size_t k = 0;
    for (EffectTriangle& triangle : triangles) {
        if (!triangle.isHandled()) {
            append(triangle, k, height, spriteW, spriteH);
            triangle.setHandled(false);
        }
    }
    std::size_t drawn = count;
    if (k != 6 * count) {
        platform::logFormatted("cur = %d, count = %d", static_cast<int>(k),
                               static_cast<int>(count));
        drawn = k / 6;
    }
    drawnFloats_ = 6 * drawn;
    return drawn;
}

void GridVertices::append(const EffectTriangle& triangle, std::size_t& k, float height,
                          float spriteW, float spriteH) {
    // The arrays were sized by the count; a triangle beyond it is counted, not written.
    if (k + 6 <= positions_.size()) {
        float* p = positions_.data() + k;
        float* t = textureCoordinates_.data() + k;
        p[0] = triangle.tx1();
        p[1] = height - triangle.ty1();
        p[2] = triangle.tx2();
        p[3] = height - triangle.ty2();
        p[4] = triangle.tx3();
        p[5] = height - triangle.ty3();
        t[0] = triangle.fx1() / spriteW;
        t[1] = triangle.fy1() / spriteH;
        t[2] = triangle.fx2() / spriteW;
        t[3] = triangle.fy2() / spriteH;
        t[4] = triangle.fx3() / spriteW;
        t[5] = triangle.fy3() / spriteH;
    }
    k += 6;
}

std::span<const float> GridVertices::drawnPositions() const {
    return {positions_.data(), std::min(drawnFloats_, positions_.size())};
}

std::span<const float> GridVertices::drawnTextureCoordinates() const {
    return {textureCoordinates_.data(), std::min(drawnFloats_, textureCoordinates_.size())};
}
