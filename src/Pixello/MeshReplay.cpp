#include "Pixello/MeshReplay.h"

#include "Pixello/SpriteTexture.h"
#include "platform/gl/GLContext.h"
#include "platform/gl/GLResources.h"

#include <GLES/gl.h>
#include <GLES/glext.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

int glLimit(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

// Leaves GL's error flag clear, answering whether it ran out of memory meanwhile.
bool outOfMemory() {
    bool out = false;
    for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) {
        out = out || e == GL_OUT_OF_MEMORY;
    }
    return out;
}

// Smallest side a tile is split to before a deformation counts as too strong to tile.
constexpr int kSmallestTile = 16;
// Texels around what the triangles of a tile sample, for the linear filter.
constexpr int kRegionMargin = 2;

} // namespace

MeshReplay::~MeshReplay() {
    fbo_.bindFramebuffer(GL_FRAMEBUFFER_OES, 0);
    if (framebuffer_ != 0) {
        fbo_.deleteFramebuffers(1, &framebuffer_);
        fbo_.deleteRenderbuffers(1, &renderbuffer_);
    }
    if (texture_ != 0) {
        glDeleteTextures(1, &texture_);
    }
}

MeshReplay::MeshReplay(const platform::FramebufferFunctions& fbo, int tileLimit) : fbo_(fbo) {
    limit_ = std::min(glLimit(GL_MAX_TEXTURE_SIZE), glLimit(GL_MAX_RENDERBUFFER_SIZE_OES));
    if (tileLimit > 0) {
        limit_ = std::min(limit_, tileLimit);
    }
}

std::expected<platform::Picture, platform::Error> MeshReplay::draw(const platform::Picture& picture,
                                                                   const GridStep& step) {
    const int w = picture.width();
    const int h = picture.height();
    if (limit_ < kSmallestTile) {
        return platform::failure("no GL context to draw with");
    }
    if (step.corners.size() != static_cast<std::size_t>(step.rows) * step.cols * 2 * 12) {
        return platform::failure("the recorded grid is incomplete");
    }
    // The corners in pixels, as the view's vertices scale them: one float product each.
    const auto fw = static_cast<float>(w);
    const auto fh = static_cast<float>(h);
    std::vector<float> pixels(step.corners.size());
    for (std::size_t i = 0; i < pixels.size(); i += 2) {
        pixels[i] = step.corners[i] * fw;
        pixels[i + 1] = step.corners[i + 1] * fh;
    }
    std::vector<std::uint8_t> out;
    if (w <= limit_ && h <= limit_) {
        auto done = drawTile(picture, pixels, {0, 0, w, h}, true, out);
        if (!done || !*done) {
            return platform::failure(done ? "the picture is larger than GL can draw"
                                          : done.error().message);
        }
    } else {
        out.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
        // Half the limit leaves room for the triangles that reach into a tile from outside.
        std::vector<Tile> tiles;
        const int side = std::max(limit_ / 2, kSmallestTile);
        for (int y = 0; y < h; y += side) {
            for (int x = 0; x < w; x += side) {
                tiles.push_back({x, y, std::min(side, w - x), std::min(side, h - y)});
            }
        }
        while (!tiles.empty()) {
            const Tile tile = tiles.back();
            tiles.pop_back();
            auto done = drawTile(picture, pixels, tile, false, out);
            if (!done) {
                return std::unexpected(done.error());
            }
            if (*done) {
                continue;
            }
            // A region too large for one texture: the tile is split, down to a few pixels.
            if (tile.width <= kSmallestTile || tile.height <= kSmallestTile) {
                return platform::failure("the picture is deformed too strongly to be drawn in "
                                         "tiles");
            }
            const int hw = tile.width / 2;
            const int hh = tile.height / 2;
            tiles.push_back({tile.x, tile.y, hw, hh});
            tiles.push_back({tile.x + hw, tile.y, tile.width - hw, hh});
            tiles.push_back({tile.x, tile.y + hh, hw, tile.height - hh});
            tiles.push_back({tile.x + hw, tile.y + hh, tile.width - hw, tile.height - hh});
        }
    }
    auto made = platform::Picture::create(
        std::make_shared<const platform::PixelBytes>(std::move(out)), w, h);
    if (!made) {
        return platform::failure("the picture is too large");
    }
    return std::move(*made);
}

std::expected<bool, platform::Error> MeshReplay::drawTile(const platform::Picture& picture,
                                                          const std::vector<float>& pixels,
                                                          Tile tile, bool whole,
                                                          std::vector<std::uint8_t>& out) {
    const int w = picture.width();
    const int h = picture.height();
    const std::size_t triangles = pixels.size() / 12;
    // The triangles drawn into this tile, and the part of the picture they sample.
    std::vector<std::size_t> chosen;
    float left = std::numeric_limits<float>::max();
    float top = left;
    float right = std::numeric_limits<float>::lowest();
    float bottom = right;
    for (std::size_t k = 0; k < triangles; ++k) {
        const float* c = pixels.data() + 12 * k;
        if (!whole) {
            const float tx0 = std::min({c[6], c[8], c[10]});
            const float tx1 = std::max({c[6], c[8], c[10]});
            const float ty0 = std::min({c[7], c[9], c[11]});
            const float ty1 = std::max({c[7], c[9], c[11]});
            if (tx1 < static_cast<float>(tile.x) || tx0 > static_cast<float>(tile.x + tile.width) ||
                ty1 < static_cast<float>(tile.y) ||
                ty0 > static_cast<float>(tile.y + tile.height)) {
                continue;
            }
        }
        chosen.push_back(k);
        left = std::min({left, c[0], c[2], c[4]});
        right = std::max({right, c[0], c[2], c[4]});
        top = std::min({top, c[1], c[3], c[5]});
        bottom = std::max({bottom, c[1], c[3], c[5]});
    }
    int rx = 0;
    int ry = 0;
    int rw = w;
    int rh = h;
    if (!whole && !chosen.empty()) {
        rx = std::clamp(static_cast<int>(std::floor(left)) - kRegionMargin, 0, w - 1);
        ry = std::clamp(static_cast<int>(std::floor(top)) - kRegionMargin, 0, h - 1);
        rw = std::clamp(static_cast<int>(std::ceil(right)) + kRegionMargin, rx + 1, w) - rx;
        rh = std::clamp(static_cast<int>(std::ceil(bottom)) + kRegionMargin, ry + 1, h) - ry;
    }
    const int spriteW = platform::powerOfTwoSide(rw);
    const int spriteH = platform::powerOfTwoSide(rh);
    if (spriteW > glLimit(GL_MAX_TEXTURE_SIZE) || spriteH > glLimit(GL_MAX_TEXTURE_SIZE) ||
        rw > limit_ || rh > limit_) {
        return false;
    }
    const std::uint8_t* source = picture.pixels()->data();
    if (!whole) {
        region_.resize(static_cast<std::size_t>(rw) * rh * 4);
        for (int row = 0; row < rh; ++row) {
            std::memcpy(region_.data() + static_cast<std::size_t>(row) * rw * 4,
                        source + (static_cast<std::size_t>(ry + row) * w + rx) * 4,
                        static_cast<std::size_t>(rw) * 4);
        }
        source = region_.data();
    }

    outOfMemory();
    // Texture and framebuffer are kept from pass to pass and made again only for another
    // size: a replay draws one size again and again.
    if (texture_ == 0) {
        glGenTextures(1, &texture_);
    }
    glBindTexture(GL_TEXTURE_2D, texture_);
    if (spriteW != textureWidth_ || spriteH != textureHeight_) {
        platform::defineTexture(spriteW, spriteH, nullptr, GL_LINEAR, GL_REPEAT);
        textureWidth_ = spriteW;
        textureHeight_ = spriteH;
    }
    SpriteTexture::upload(source, static_cast<std::size_t>(rw), static_cast<std::size_t>(rh),
                          static_cast<std::size_t>(spriteW), static_cast<std::size_t>(spriteH));
    const bool opaque =
        SpriteTexture::isOpaque(source, static_cast<std::size_t>(rw), static_cast<std::size_t>(rh));
    if (framebuffer_ == 0) {
        fbo_.genFramebuffers(1, &framebuffer_);
        fbo_.genRenderbuffers(1, &renderbuffer_);
    }
    fbo_.bindFramebuffer(GL_FRAMEBUFFER_OES, framebuffer_);
    fbo_.bindRenderbuffer(GL_RENDERBUFFER_OES, renderbuffer_);
    if (tile.width != targetWidth_ || tile.height != targetHeight_) {
        fbo_.renderbufferStorage(GL_RENDERBUFFER_OES, GL_RGBA8_OES, tile.width, tile.height);
        fbo_.framebufferRenderbuffer(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES,
                                     GL_RENDERBUFFER_OES, renderbuffer_);
        targetWidth_ = tile.width;
        targetHeight_ = tile.height;
    }
    if (outOfMemory() ||
        fbo_.checkFramebufferStatus(GL_FRAMEBUFFER_OES) != GL_FRAMEBUFFER_COMPLETE_OES) {
        // Made again from nothing next time.
        targetWidth_ = 0;
        textureWidth_ = 0;
        return platform::failure("GL has no room for a picture of this size");
    }

    // The view's frame: its projection, its black clear, premultiplied blending.
    glViewport(0, 0, tile.width, tile.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0.0f, static_cast<GLfloat>(tile.width), 0.0f, static_cast<GLfloat>(tile.height), -1.0f,
             1.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    // Positions as the view computes them (GL's y upward), moved to the tile; texture
    // coordinates moved to the region. Both moves are by zero for a whole picture.
    const auto fh = static_cast<float>(h);
    const auto ox = static_cast<float>(tile.x);
    const auto oy = static_cast<float>(h - tile.y - tile.height);
    const auto sx = static_cast<float>(rx);
    const auto sy = static_cast<float>(ry);
    const auto sw = static_cast<float>(spriteW);
    const auto sh = static_cast<float>(spriteH);
    positions_.resize(6 * chosen.size());
    coords_.resize(6 * chosen.size());
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        const float* c = pixels.data() + 12 * chosen[i];
        for (int v = 0; v < 3; ++v) {
            positions_[6 * i + 2 * v] = c[6 + 2 * v] - ox;
            positions_[6 * i + 2 * v + 1] = (fh - c[7 + 2 * v]) - oy;
            coords_[6 * i + 2 * v] = (c[2 * v] - sx) / sw;
            coords_[6 * i + 2 * v + 1] = (c[2 * v + 1] - sy) / sh;
        }
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    if (opaque) {
        glDisable(GL_BLEND);
    } else {
        glEnable(GL_BLEND);
    }
    glVertexPointer(2, GL_FLOAT, 0, positions_.data());
    glEnableClientState(GL_VERTEX_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, coords_.data());
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(3 * chosen.size()));
    glEnable(GL_BLEND);

    platform::PixelBytes drawn =
        platform::readPixelsTopRowFirst(tile.width, tile.height, readBack_);
    if (outOfMemory()) {
        return platform::failure("GL has no room for a picture of this size");
    }
    if (whole) {
        out = std::move(drawn);
        return true;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(tile.width) * 4;
    for (int row = 0; row < tile.height; ++row) {
        std::memcpy(out.data() + (static_cast<std::size_t>(tile.y + row) * w + tile.x) * 4,
                    drawn.data() + static_cast<std::size_t>(row) * rowBytes, rowBytes);
    }
    return true;
}

void MeshReplay::scaledCrop(const CropStep& step, int width, int height, int& x, int& y, int& w,
                            int& h) {
    const auto scale = [](int v, int to, int from) {
        return static_cast<int>(std::lround(static_cast<double>(v) * to / from));
    };
    const int x0 = std::clamp(scale(step.x, width, step.fromWidth), 0, width - 1);
    const int y0 = std::clamp(scale(step.y, height, step.fromHeight), 0, height - 1);
    const int x1 = std::clamp(scale(step.x + step.width, width, step.fromWidth), x0 + 1, width);
    const int y1 = std::clamp(scale(step.y + step.height, height, step.fromHeight), y0 + 1, height);
    x = x0;
    y = y0;
    w = x1 - x0;
    h = y1 - y0;
}

std::expected<platform::Picture, platform::Error> MeshReplay::crop(const platform::Picture& picture,
                                                                   const CropStep& step) {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    scaledCrop(step, picture.width(), picture.height(), x, y, w, h);
    auto cut = picture.subImage({static_cast<float>(x), static_cast<float>(y),
                                 static_cast<float>(w), static_cast<float>(h)});
    if (!cut) {
        return platform::failure("the crop could not be made");
    }
    return std::move(*cut);
}

std::expected<platform::Picture, platform::Error> MeshReplay::run(platform::Picture picture,
                                                                  std::span<const EditStep> steps) {
    for (const EditStep& step : steps) {
        auto next = std::holds_alternative<GridStep>(step)
                        ? draw(picture, std::get<GridStep>(step))
                        : crop(picture, std::get<CropStep>(step));
        if (!next) {
            return next;
        }
        picture = std::move(*next);
    }
    return picture;
}
