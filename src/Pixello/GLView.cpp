#include "Pixello/GLView.h"

#include "platform/base/Log.h"
#include "platform/gl/GLContext.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The shared context, made current; nullptr when there is none.
platform::GLContext* currentContext() {
    platform::GLContext* context = platform::GLContext::shared();
    return context != nullptr && context->makeCurrent() ? context : nullptr;
}

// The smallest power of two not below `size`, or 0 when that exceeds the largest texture
// or `size` is not a positive finite number.
std::uint32_t textureSideFor(float size) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (!(size > 0.0f) || !(size <= static_cast<float>(largest))) {
        return 0;
    }
    std::uint32_t side = 1;
    while (static_cast<float>(side) < size) {
        side *= 2;
    }
    return side;
}

// Rows uploaded at a time while the texels beyond the picture are filled: the padding
// goes up in small strips instead of through a second sprite-sized buffer.
constexpr std::size_t kPaddingRows = 16;

// Whether every pixel of w × h packed RGBA rows is opaque.
bool isOpaque(const std::uint8_t* pixels, std::size_t w, std::size_t h) {
    const std::size_t count = w * h;
    for (std::size_t i = 0; i < count; ++i) {
        if (pixels[i * 4 + 3] != 255) {
            return false;
        }
    }
    return true;
}

// Into the bound spriteWidth × spriteHeight texture: the w × h picture of packed rows in
// the top-left corner, and right of and below it its last column and last row repeated,
// so that filtering along the picture's edges never mixes in texels of another colour.
void uploadSpriteTexels(const std::uint8_t* pixels, std::size_t w, std::size_t h,
                        std::size_t spriteWidth, std::size_t spriteHeight) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h),
                    GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    std::vector<std::uint8_t> strip;
    if (spriteWidth > w) {
        const std::size_t extra = spriteWidth - w;
        strip.resize(extra * kPaddingRows * 4);
        for (std::size_t y0 = 0; y0 < h; y0 += kPaddingRows) {
            const std::size_t rows = std::min(kPaddingRows, h - y0);
            for (std::size_t r = 0; r < rows; ++r) {
                const std::uint8_t* last = pixels + ((y0 + r) * w + w - 1) * 4;
                for (std::size_t x = 0; x < extra; ++x) {
                    std::memcpy(strip.data() + (r * extra + x) * 4, last, 4);
                }
            }
            glTexSubImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(w), static_cast<GLint>(y0),
                            static_cast<GLsizei>(extra), static_cast<GLsizei>(rows), GL_RGBA,
                            GL_UNSIGNED_BYTE, strip.data());
        }
    }
    if (spriteHeight > h) {
        // The last row as it lies in the texture, its padding included, again and again.
        const std::size_t rowBytes = spriteWidth * 4;
        const std::size_t rows = std::min(kPaddingRows, spriteHeight - h);
        strip.resize(rowBytes * rows);
        const std::uint8_t* last = pixels + (h - 1) * w * 4;
        std::memcpy(strip.data(), last, w * 4);
        for (std::size_t x = w; x < spriteWidth; ++x) {
            std::memcpy(strip.data() + x * 4, last + (w - 1) * 4, 4);
        }
        for (std::size_t r = 1; r < rows; ++r) {
            std::memcpy(strip.data() + r * rowBytes, strip.data(), rowBytes);
        }
        for (std::size_t y0 = h; y0 < spriteHeight; y0 += rows) {
            const std::size_t n = std::min(rows, spriteHeight - y0);
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, static_cast<GLint>(y0),
                            static_cast<GLsizei>(spriteWidth), static_cast<GLsizei>(n), GL_RGBA,
                            GL_UNSIGNED_BYTE, strip.data());
        }
    }
}

} // namespace

std::shared_ptr<GLView> GLView::create(platform::Rect frame) {
    std::shared_ptr<GLView> view(new GLView(frame));
    // The compositor blends the frame over what lies beneath: it has premultiplied alpha.
    view->layer().setOpaque(false);
    if (currentContext() == nullptr || !view->createFramebuffer()) {
        return nullptr;
    }
    view->setupView();
    return view;
}

GLView::GLView(platform::Rect frame) : GLLayerView(frame) {}

GLView::~GLView() {
    // The grid is released with the members; the GL objects need the context.
    destroyFramebuffer();
    if (spriteTexture_ != 0 && currentContext() != nullptr) {
        glDeleteTextures(1, &spriteTexture_);
    }
    platform::GLContext* context = platform::GLContext::shared();
    if (context != nullptr && context->isCurrent()) {
        context->clearCurrent();
    }
}

void GLView::resize(platform::Rect frame) {
    setFrame(frame);
    destroyFramebuffer();
    // An incomplete framebuffer here has already said so; the view stays and draws
    // nothing visible until a later resize succeeds.
    createFramebuffer();
    setupView();
}

bool GLView::createFramebuffer() {
    platform::GLContext* context = currentContext();
    if (context == nullptr) {
        return false;
    }
    const platform::FramebufferFunctions& fbo = context->fbo();
    fbo.genFramebuffers(1, &viewFramebuffer_);
    fbo.genRenderbuffers(1, &viewRenderbuffer_);
    fbo.bindFramebuffer(GL_FRAMEBUFFER_OES, viewFramebuffer_);
    fbo.bindRenderbuffer(GL_RENDERBUFFER_OES, viewRenderbuffer_);
    layer().setBounds(bounds().size);
    layer().renderbufferStorage();
    fbo.framebufferRenderbuffer(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                viewRenderbuffer_);
    fbo.getRenderbufferParameteriv(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_WIDTH_OES, &backingWidth_);
    fbo.getRenderbufferParameteriv(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_HEIGHT_OES,
                                   &backingHeight_);
    const GLenum status = fbo.checkFramebufferStatus(GL_FRAMEBUFFER_OES);
    if (status != GL_FRAMEBUFFER_COMPLETE_OES) {
        platform::logFormatted("failed to make complete framebuffer object %x", status);
        return false;
    }
    return true;
}

void GLView::destroyFramebuffer() {
    platform::GLContext* context = currentContext();
    if (context == nullptr) {
        return;
    }
    if (viewFramebuffer_ != 0) {
        context->fbo().deleteFramebuffers(1, &viewFramebuffer_);
        viewFramebuffer_ = 0;
    }
    if (viewRenderbuffer_ != 0) {
        context->fbo().deleteRenderbuffers(1, &viewRenderbuffer_);
        viewRenderbuffer_ = 0;
    }
}

void GLView::setupView() {
    if (currentContext() == nullptr) {
        return;
    }
    const auto width = static_cast<GLfloat>(backingWidth_);
    const auto height = static_cast<GLfloat>(backingHeight_);
    glViewport(0, 0, backingWidth_, backingHeight_);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0.0f, width, 0.0f, height, -1.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
}

void GLView::loadSpriteImage(const platform::Picture* image) {
    if (currentContext() == nullptr || image == nullptr) {
        return;
    }
    const std::uint32_t spriteWidth = textureSideFor(static_cast<float>(image->width()));
    const std::uint32_t spriteHeight = textureSideFor(static_cast<float>(image->height()));
    if (spriteWidth == 0 || spriteHeight == 0) {
        return;
    }
    spriteWidth_ = spriteWidth;
    spriteHeight_ = spriteHeight;
    // The picture's top row goes to texture row 0, its left column to column 0.
    const auto w = static_cast<std::size_t>(image->width());
    const auto h = static_cast<std::size_t>(image->height());
    const std::uint8_t* pixels = image->pixels()->data();
    useSpriteData(nullptr);
    uploadSpriteTexels(pixels, w, h, spriteWidth_, spriteHeight_);
    spriteOpaque_ = isOpaque(pixels, w, h);
}

void GLView::loadSpriteData(const platform::PixelBuffer& data, float width, float height) {
    if (currentContext() == nullptr || data == nullptr) {
        return;
    }
    const std::uint32_t spriteWidth = textureSideFor(width);
    const std::uint32_t spriteHeight = textureSideFor(height);
    if (spriteWidth == 0 || spriteHeight == 0) {
        return;
    }
    // Rows of (int)width pixels; as many rows as whole numbers lie below height.
    const std::size_t rowBytes = static_cast<std::size_t>(static_cast<int>(width)) * 4;
    const auto rows = static_cast<std::size_t>(std::ceil(height));
    if (data->size() < rowBytes * rows) {
        return;
    }
    spriteWidth_ = spriteWidth;
    spriteHeight_ = spriteHeight;
    if (rowBytes == 0 || rows == 0) {
        // Less than a pixel wide: nothing to show, a transparent sprite.
        useSpriteData(
            std::vector<std::uint8_t>(std::size_t{spriteWidth_} * spriteHeight_ * 4).data());
        return;
    }
    useSpriteData(nullptr);
    uploadSpriteTexels(data->data(), rowBytes / 4, rows, spriteWidth_, spriteHeight_);
    spriteOpaque_ = isOpaque(data->data(), rowBytes / 4, rows);
}

void GLView::useSpriteData(const std::uint8_t* data) {
    spriteOpaque_ = false;
    if (spriteTexture_ != 0) {
        glDeleteTextures(1, &spriteTexture_);
        spriteTexture_ = 0;
    }
    glGenTextures(1, &spriteTexture_);
    glBindTexture(GL_TEXTURE_2D, spriteTexture_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(spriteWidth_),
                 static_cast<GLsizei>(spriteHeight_), 0, GL_RGBA, GL_UNSIGNED_BYTE, data);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glEnable(GL_TEXTURE_2D);
    // The picture is premultiplied.
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
}

void GLView::clearSprite() {
    if (currentContext() == nullptr) {
        return;
    }
    if (spriteTexture_ != 0) {
        glDeleteTextures(1, &spriteTexture_);
        spriteTexture_ = 0;
    }
}

void GLView::drawView() {
    if (spriteTexture_ == 0 || grid_ == nullptr) {
        return;
    }
    platform::GLContext* context = currentContext();
    if (context == nullptr) {
        return;
    }
    context->fbo().bindFramebuffer(GL_FRAMEBUFFER_OES, viewFramebuffer_);
    // The context is shared with the compositor and other views: put back this view's
    // viewport, projection, texture and blending, which they may have changed.
    setupView();
    glBindTexture(GL_TEXTURE_2D, spriteTexture_);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glClear(GL_COLOR_BUFFER_BIT);

    std::span<EffectTriangle> triangles = grid_->triangles();
    const auto count = static_cast<std::size_t>(
        std::count_if(triangles.begin(), triangles.end(),
                      [](const EffectTriangle& t) { return !t.isHandled(); }));
    positions_.resize(6 * count);
    textureCoordinates_.resize(6 * count);

    const auto width = static_cast<float>(backingWidth_);
    const auto height = static_cast<float>(backingHeight_);
    grid_->setWidth(width);
    grid_->setHeight(height);
    const auto spriteW = static_cast<float>(spriteWidth_);
    const auto spriteH = static_cast<float>(spriteHeight_);
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

    glEnable(GL_TEXTURE_2D);
    // Every texel of an opaque sprite has alpha 1, so blending it over the frame gives
    // exactly the texel: the mesh is then drawn without the cost of blending.
    if (spriteOpaque_) {
        glDisable(GL_BLEND);
    } else {
        glEnable(GL_BLEND);
    }
    glVertexPointer(2, GL_FLOAT, 0, positions_.data());
    glEnableClientState(GL_VERTEX_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, textureCoordinates_.data());
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(3 * drawn));
    glEnable(GL_BLEND);

    if (shade_) {
        drawCropOverlay(width, height);
    }
    if (present_) {
        context->fbo().bindRenderbuffer(GL_RENDERBUFFER_OES, viewRenderbuffer_);
        // Over the opaque black clear, an opaque sprite leaves no pixel translucent.
        layer().present(spriteOpaque_);
    }
}

void GLView::append(const EffectTriangle& triangle, std::size_t& k, float height, float spriteW,
                    float spriteH) {
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

void GLView::drawCropOverlay(float width, float height) {
    const float x = shadeRect_.x();
    const float y = shadeRect_.y();
    const float w = shadeRect_.width();
    const float h = shadeRect_.height();
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
            overlay_[k++] = corner.x;
            overlay_[k++] = height - corner.y;
        }
    }
    glDisable(GL_TEXTURE_2D);
    glColor4f(0.0f, 0.0f, 0.0f, 0.5f);
    glVertexPointer(2, GL_FLOAT, 0, overlay_.data());
    glEnableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDrawArrays(GL_TRIANGLES, 0, 24);

    outline_ = {x, height - y, x, height - y - h, x + w, height - y - h, x + w, height - y};
    glVertexPointer(2, GL_FLOAT, 0, outline_.data());
    glLineWidth(2.0f);
    glColor4f(0.3f, 1.0f, 0.3f, 1.0f);
    glDrawArrays(GL_LINE_LOOP, 0, 4);
}

std::optional<platform::Picture> GLView::capture(platform::PixelBuffer& data) {
    data.reset();
    platform::GLContext* context = currentContext();
    if (context == nullptr || viewFramebuffer_ == 0 || backingWidth_ <= 0 || backingHeight_ <= 0) {
        return std::nullopt;
    }
    context->fbo().bindFramebuffer(GL_FRAMEBUFFER_OES, viewFramebuffer_);
    context->fbo().bindRenderbuffer(GL_RENDERBUFFER_OES, viewRenderbuffer_);
    const std::size_t rowBytes = static_cast<std::size_t>(backingWidth_) * 4;
    const auto rows = static_cast<std::size_t>(backingHeight_);
    readBack_.resize(rowBytes * rows);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, backingWidth_, backingHeight_, GL_RGBA, GL_UNSIGNED_BYTE, readBack_.data());
    // GL delivers the bottom row first: the rows are flipped while copying into the
    // buffer (with an odd height the middle row keeps its place), which spares the
    // buffer a zero fill and the rows a second pass.
    platform::PixelBytes bytes;
    bytes.reserve(rowBytes * rows);
    for (std::size_t i = rows; i-- > 0;) {
        const auto row = readBack_.begin() + static_cast<std::ptrdiff_t>(i * rowBytes);
        bytes.insert(bytes.end(), row, row + static_cast<std::ptrdiff_t>(rowBytes));
    }
    data = std::make_shared<const platform::PixelBytes>(std::move(bytes));
    return platform::Picture::create(data, backingWidth_, backingHeight_);
}

std::span<const float> GLView::drawnPositions() const {
    return {positions_.data(), std::min(drawnFloats_, positions_.size())};
}

std::span<const float> GLView::drawnTextureCoordinates() const {
    return {textureCoordinates_.data(), std::min(drawnFloats_, textureCoordinates_.size())};
}
