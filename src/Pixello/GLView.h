#pragma once

#include "Pixello/CropOverlay.h"
#include "Pixello/EffectGrid.h"
#include "Pixello/GridVertices.h"
#include "platform/gl/GLResources.h"
#include "platform/graphics/Picture.h"
#include "platform/graphics/PixelBuffer.h"
#include "platform/ui/GLLayerView.h"

#include <GLES/gl.h>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

// Shows the picture through the effect grid: the picture is one texture (the sprite),
// every triangle of the grid is drawn with its from corners as texture coordinates and
// its to corners as positions, optionally with the crop overlay, into a framebuffer
// whose colour buffer is the view's layer. Presenting hands the frame to the screen;
// an unpresented frame stays in the framebuffer for capture().
//
// All GL views share the platform's one context; every entry point makes it current
// except useSpriteData(), whose callers already did.
class GLView : public platform::GLLayerView {
public:
    // nullptr when there is no usable GL context or the framebuffer for the frame's
    // size cannot be completed.
    static std::shared_ptr<GLView> create(platform::Rect frame);
    ~GLView() override;

    // Moves the view and remakes its framebuffer for the new size; sprite and grid stay.
    void resize(platform::Rect frame);
    bool createFramebuffer();
    void destroyFramebuffer();
    void setupView();

    // Uploads the picture's stored pixels as the sprite; true when done. Nothing happens
    // without a picture or for one larger than the largest texture GL allows.
    bool loadSpriteImage(const platform::Picture* image);
    // Uploads a pixel buffer of width × height pixels (rows of (int)width pixels, packed)
    // as the sprite; true when done. Nothing happens without a buffer, for sizes that are not
    // positive and finite or exceed the largest texture, or for a buffer shorter than that.
    bool loadSpriteData(const platform::PixelBuffer& data, float width, float height);
    // Replaces the texture with spriteWidth() × spriteHeight() RGBA pixels.
    void useSpriteData(const std::uint8_t* data);
    void clearSprite();

    // Draws one frame; does nothing at all without a sprite or a grid.
    void drawView();

    // Reads the frame last drawn back: the pixels top row first into `data` and a
    // picture over the same bytes. Draw with present off first. Without a framebuffer
    // `data` is reset and nothing is returned.
    std::optional<platform::Picture> capture(platform::PixelBuffer& data);

    const std::shared_ptr<EffectGrid>& grid() const { return grid_; }
    void setGrid(std::shared_ptr<EffectGrid> grid) { grid_ = std::move(grid); }
    bool present() const { return present_; }
    void setPresent(bool present) { present_ = present; }
    bool shade() const { return shade_; }
    void setShade(bool shade) { shade_ = shade; }
    // The rectangle the crop overlay leaves clear, in drawable pixels with y downward.
    platform::Rect shadeRect() const { return shadeRect_; }
    void setShadeRect(platform::Rect rect) { shadeRect_ = rect; }

    GLint backingWidth() const { return backingWidth_; }
    GLint backingHeight() const { return backingHeight_; }
    GLuint spriteTexture() const { return spriteTexture_; }
    std::uint32_t spriteWidth() const { return spriteWidth_; }
    std::uint32_t spriteHeight() const { return spriteHeight_; }
    GLuint viewFramebuffer() const { return framebuffer_.framebuffer(); }
    GLuint viewRenderbuffer() const { return framebuffer_.renderbuffer(); }

    // The positions and texture coordinates of the mesh last drawn, two floats a vertex.
    std::span<const float> drawnPositions() const { return vertices_.drawnPositions(); }
    std::span<const float> drawnTextureCoordinates() const {
        return vertices_.drawnTextureCoordinates();
    }

private:
    explicit GLView(platform::Rect frame);

    void drawCropOverlay(float width, float height);

    GLint backingWidth_ = 0;
    GLint backingHeight_ = 0;
    platform::OffscreenTarget framebuffer_;
    GLuint spriteTexture_ = 0;
    std::uint32_t spriteWidth_ = 1;
    std::uint32_t spriteHeight_ = 1;
    // Whether every texel of the sprite is opaque (set by the two loaders).
    bool spriteOpaque_ = false;
    std::shared_ptr<EffectGrid> grid_;
    bool present_ = true;
    bool shade_ = false;
    platform::Rect shadeRect_;

    GridVertices vertices_;
    CropOverlay overlay_;
    // What glReadPixels delivers, kept for the next capture.
    std::vector<std::uint8_t> readBack_;
};
