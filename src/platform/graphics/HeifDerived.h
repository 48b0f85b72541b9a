#pragma once

#include <cstdint>
#include <span>

namespace platform::heif {

// What the derived pictures of a HEIF file (grids of tiles, overlays, identities) declare,
// read from its boxes before libheif decodes it. libheif trusts two things it should not:
// it allocates a grid's or an overlay's canvas from the item's own numbers, which need not
// agree with the size the picture declares, before it decodes any tile, bounding only each
// side (a file of a kilobyte could ask for gigabytes); and it asserts that every item a
// derived picture is made of is a picture. Where the boxes can be read in more than one
// way, the reading that finds more counts.
struct DerivedPictures {
    // The largest canvas, in pixels, of a grid or overlay; 0 when there is none.
    std::uint64_t largestCanvas = 0;
    // Whether a derived picture is made of an item that is not a picture, or of none.
    bool madeOfNonPicture = false;
};

DerivedPictures inspectDerivedPictures(std::span<const std::uint8_t> file);

} // namespace platform::heif
