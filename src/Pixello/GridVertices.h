#pragma once

#include <cstddef>
#include <span>
#include <vector>

class EffectGrid;
class EffectTriangle;

// The vertex arrays GL draws the effect grid with, two floats a vertex: the triangles'
// to corners as positions (GL's y upward) and their from corners as texture coordinates
// of the sprite. Kept from frame to frame, so that filling allocates nothing once they
// have grown to the grid's size.
class GridVertices {
public:
    // Fills the arrays from the triangles of `grid` not yet handled, scaling the grid to a
    // drawable of width × height pixels first, for a sprite of spriteW × spriteH texels.
    // Answers how many triangles to draw.
    std::size_t fill(EffectGrid& grid, float width, float height, float spriteW, float spriteH);

    const float* positions() const { return positions_.data(); }
    const float* textureCoordinates() const { return textureCoordinates_.data(); }
    // The positions and texture coordinates of the mesh last filled.
    std::span<const float> drawnPositions() const;
    std::span<const float> drawnTextureCoordinates() const;

private:
    void append(const EffectTriangle& triangle, std::size_t& k, float height, float spriteW,
                float spriteH);

    std::vector<float> positions_;
    std::vector<float> textureCoordinates_;
    std::size_t drawnFloats_ = 0;
};
