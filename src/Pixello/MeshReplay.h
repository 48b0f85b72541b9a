#pragma once

#include "Pixello/EditRecord.h"
#include "platform/base/Error.h"
#include "platform/gl/GLExtensions.h"
#include "platform/graphics/Picture.h"

#include <GLES/gl.h>
#include <expected>
#include <span>
#include <vector>

// Does recorded edits again on a picture of any size: a grid step draws the picture through
// the recorded triangles with GL as the editor's view draws its frame (the same sprite, the
// same vertices, the same blending), a crop cuts the recorded rectangle scaled to the
// picture. A picture that fits one texture and one framebuffer is drawn in one pass, so at
// the editor's size the result is the editor's own frame bit for bit; a larger one is drawn
// in tiles, each from the part of the picture its triangles sample.
//
// Works on whatever GL context is current on the calling thread, whose framebuffer entry
// points it is given; it makes and deletes its own GL objects there.
class MeshReplay {
public:
    // `tileLimit` caps the side of a pass below what GL allows (0: GL's limits alone).
    explicit MeshReplay(const platform::FramebufferFunctions& fbo, int tileLimit = 0);
    // Deletes its GL objects: the context that made them must be current.
    ~MeshReplay();
    MeshReplay(const MeshReplay&) = delete;
    MeshReplay& operator=(const MeshReplay&) = delete;

    std::expected<platform::Picture, platform::Error> draw(const platform::Picture& picture,
                                                           const GridStep& step);
    static std::expected<platform::Picture, platform::Error> crop(const platform::Picture& picture,
                                                                  const CropStep& step);
    // Every step in turn.
    std::expected<platform::Picture, platform::Error> run(platform::Picture picture,
                                                          std::span<const EditStep> steps);

    // The crop rectangle scaled to a picture of width × height: its edges rounded, at least
    // one pixel, inside the picture. At the size it was cut from, the rectangle itself.
    static void scaledCrop(const CropStep& step, int width, int height, int& x, int& y, int& w,
                           int& h);

private:
    struct Tile {
        int x, y, width, height;
    };
    // Draws the triangles of `step` (already in pixels) that meet `tile` into `out`; false
    // when what they sample does not fit one texture. A whole picture's pass hands its
    // read-back pixels over as `out`.
    std::expected<bool, platform::Error> drawTile(const platform::Picture& picture,
                                                  const std::vector<float>& pixels, Tile tile,
                                                  bool whole, std::vector<std::uint8_t>& out);

    const platform::FramebufferFunctions& fbo_; // the context's, not owned
    int limit_ = 0;
    GLuint texture_ = 0;
    int textureWidth_ = 0;
    int textureHeight_ = 0;
    GLuint framebuffer_ = 0;
    GLuint renderbuffer_ = 0;
    int targetWidth_ = 0;
    int targetHeight_ = 0;
    std::vector<std::uint8_t> region_;
    std::vector<std::uint8_t> readBack_;
    std::vector<float> positions_;
    std::vector<float> coords_;
};
