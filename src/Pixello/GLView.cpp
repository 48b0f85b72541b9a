#include "Pixello/GLView.h"

#include "Pixello/SpriteTexture.h"
#include "platform/base/Log.h"
#include "platform/gl/GLContext.h"

#include <cmath>

namespace {

// The shared context, made current; nullptr when there is none.
platform::GLContext* currentContext() {
    platform::GLContext* context = platform::GLContext::shared();
    return context != nullptr && context->makeCurrent() ? context : nullptr;
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
    layer().setBounds(bounds().size);
    // The layer gives the view's renderbuffer its storage.
    framebuffer_ =
        platform::OffscreenTarget::withRenderbuffer(fbo, [this] { layer().renderbufferStorage(); });
    fbo.getRenderbufferParameteriv(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_WIDTH_OES, &backingWidth_);
    fbo.getRenderbufferParameteriv(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_HEIGHT_OES,
                                   &backingHeight_);
    const GLenum status = framebuffer_.status();
    if (status != GL_FRAMEBUFFER_COMPLETE_OES) {
        platform::logFormatted("failed to make complete framebuffer object %x", status);
        return false;
    }
    return true;
}

void GLView::destroyFramebuffer() {
    if (currentContext() == nullptr) {
        return;
    }
    framebuffer_ = {};
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

bool GLView::loadSpriteImage(const platform::Picture* image) {
    if (currentContext() == nullptr || image == nullptr) {
        return false;
    }
    const std::uint32_t spriteWidth = SpriteTexture::sideFor(static_cast<float>(image->width()));
    const std::uint32_t spriteHeight = SpriteTexture::sideFor(static_cast<float>(image->height()));
    if (spriteWidth == 0 || spriteHeight == 0) {
        return false;
    }
    spriteWidth_ = spriteWidth;
    spriteHeight_ = spriteHeight;
    // The picture's top row goes to texture row 0, its left column to column 0.
    const auto w = static_cast<std::size_t>(image->width());
    const auto h = static_cast<std::size_t>(image->height());
    const std::uint8_t* pixels = image->pixels()->data();
    useSpriteData(nullptr);
    SpriteTexture::upload(pixels, w, h, spriteWidth_, spriteHeight_);
    spriteOpaque_ = SpriteTexture::isOpaque(pixels, w, h);
    return true;
}

bool GLView::loadSpriteData(const platform::PixelBuffer& data, float width, float height) {
    if (currentContext() == nullptr || data == nullptr) {
        return false;
    }
    const std::uint32_t spriteWidth = SpriteTexture::sideFor(width);
    const std::uint32_t spriteHeight = SpriteTexture::sideFor(height);
    if (spriteWidth == 0 || spriteHeight == 0) {
        return false;
    }
    // Rows of (int)width pixels; as many rows as whole numbers lie below height.
    const std::size_t rowBytes = static_cast<std::size_t>(static_cast<int>(width)) * 4;
    const auto rows = static_cast<std::size_t>(std::ceil(height));
    if (data->size() < rowBytes * rows) {
        return false;
    }
    spriteWidth_ = spriteWidth;
    spriteHeight_ = spriteHeight;
    if (rowBytes == 0 || rows == 0) {
        // Less than a pixel wide: nothing to show, a transparent sprite.
        useSpriteData(
            std::vector<std::uint8_t>(std::size_t{spriteWidth_} * spriteHeight_ * 4).data());
        return true;
    }
    useSpriteData(nullptr);
    SpriteTexture::upload(data->data(), rowBytes / 4, rows, spriteWidth_, spriteHeight_);
    spriteOpaque_ = SpriteTexture::isOpaque(data->data(), rowBytes / 4, rows);
    return true;
}

void GLView::useSpriteData(const std::uint8_t* data) {
    spriteOpaque_ = false;
    if (spriteTexture_ != 0) {
        glDeleteTextures(1, &spriteTexture_);
        spriteTexture_ = 0;
    }
    glGenTextures(1, &spriteTexture_);
    glBindTexture(GL_TEXTURE_2D, spriteTexture_);
    // The sprite keeps GL's default wrapping, GL_REPEAT: the editor's frames and captures
    // are drawn so, and clamping would change the left and top edges of a magnified picture.
    platform::defineTexture(static_cast<int>(spriteWidth_), static_cast<int>(spriteHeight_), data,
                            GL_LINEAR, GL_REPEAT);
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
    context->fbo().bindFramebuffer(GL_FRAMEBUFFER_OES, framebuffer_.framebuffer());
    // The context is shared with the compositor and other views: put back this view's
    // viewport, projection, texture and blending, which they may have changed.
    setupView();
    glBindTexture(GL_TEXTURE_2D, spriteTexture_);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glClear(GL_COLOR_BUFFER_BIT);

    const auto width = static_cast<float>(backingWidth_);
    const auto height = static_cast<float>(backingHeight_);
    const std::size_t drawn = vertices_.fill(
        *grid_, width, height, static_cast<float>(spriteWidth_), static_cast<float>(spriteHeight_));

    glEnable(GL_TEXTURE_2D);
    // Every texel of an opaque sprite has alpha 1, so blending it over the frame gives
    // exactly the texel: the mesh is then drawn without the cost of blending.
    if (spriteOpaque_) {
        glDisable(GL_BLEND);
    } else {
        glEnable(GL_BLEND);
    }
    glVertexPointer(2, GL_FLOAT, 0, vertices_.positions());
    glEnableClientState(GL_VERTEX_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, vertices_.textureCoordinates());
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(3 * drawn));
    glEnable(GL_BLEND);

    if (shade_) {
        drawCropOverlay(width, height);
    }
    if (present_) {
        context->fbo().bindRenderbuffer(GL_RENDERBUFFER_OES, framebuffer_.renderbuffer());
        // Over the opaque black clear, an opaque sprite leaves no pixel translucent.
        layer().present(spriteOpaque_);
    }
}

void GLView::drawCropOverlay(float width, float height) {
    overlay_.place(shadeRect_, width, height);
    glDisable(GL_TEXTURE_2D);
    glColor4f(0.0f, 0.0f, 0.0f, 0.5f);
    glVertexPointer(2, GL_FLOAT, 0, overlay_.shade.data());
    glEnableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDrawArrays(GL_TRIANGLES, 0, 24);

    glVertexPointer(2, GL_FLOAT, 0, overlay_.outline.data());
    glLineWidth(2.0f);
    glColor4f(0.3f, 1.0f, 0.3f, 1.0f);
    glDrawArrays(GL_LINE_LOOP, 0, 4);
}

std::optional<platform::Picture> GLView::capture(platform::PixelBuffer& data) {
    data.reset();
    platform::GLContext* context = currentContext();
    if (context == nullptr || framebuffer_.framebuffer() == 0 || backingWidth_ <= 0 ||
        backingHeight_ <= 0) {
        return std::nullopt;
    }
    context->fbo().bindFramebuffer(GL_FRAMEBUFFER_OES, framebuffer_.framebuffer());
    context->fbo().bindRenderbuffer(GL_RENDERBUFFER_OES, framebuffer_.renderbuffer());
    data = std::make_shared<const platform::PixelBytes>(
        platform::readPixelsTopRowFirst(backingWidth_, backingHeight_, readBack_));
    return platform::Picture::create(data, backingWidth_, backingHeight_);
}
