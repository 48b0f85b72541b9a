#include "platform/gl/GLContext.h"

#include "platform/gl/GLExtensions.h"
#include "platform/gl/GLLayer.h"
#include "platform/gl/GLResources.h"
#include "platform/gl/HeadlessGLContext.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <string>

namespace {

using platform::GLContext;
using platform::GLLayer;

GLContext& sharedContext() {
    GLContext* context = GLContext::shared();
    EXPECT_NE(context, nullptr) << GLContext::lastError();
    return *context;
}

// A framebuffer with one colour renderbuffer whose storage comes from `layer`.
struct Drawable {
    explicit Drawable(GLLayer& layer)
        : target(platform::OffscreenTarget::withRenderbuffer(
              fbo, [&] { stored = layer.renderbufferStorage(); })) {}
    void fill(float r, float g, float b) {
        glViewport(0, 0, 1000, 1000);
        glClearColor(r, g, b, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    const platform::FramebufferFunctions& fbo = sharedContext().fbo();
    bool stored = false;
    platform::OffscreenTarget target;
};

// A host context that cannot be used, as when a window's driver went away.
class UnusableContext final : public GLContext {
public:
    bool makeCurrent() override { return false; }
    bool isCurrent() const override { return false; }
    void clearCurrent() override {}
    void* getProcAddress(const char*) const override { return nullptr; }
};

TEST(GLContext, SharedHeadlessContextOffersFramebufferObjectsUntilAHostReplacesIt) {
    GLContext& context = sharedContext();
    EXPECT_EQ(GLContext::shared(), &context);
    EXPECT_TRUE(GLContext::lastError().empty());
    ASSERT_TRUE(context.makeCurrent());
    EXPECT_TRUE(context.isCurrent());
    EXPECT_TRUE(platform::hasGLExtension("GL_OES_framebuffer_object"));
    // Extension lists match whole words only.
    const char* list = "GL_OES_a GL_OES_ab GL_X";
    EXPECT_TRUE(platform::extensionListHas(list, "GL_OES_ab"));
    EXPECT_TRUE(platform::extensionListHas(list, "GL_X"));
    EXPECT_FALSE(platform::extensionListHas(list, "GL_OES"));
    EXPECT_FALSE(platform::extensionListHas(list, "OES_a"));
    EXPECT_FALSE(platform::extensionListHas(nullptr, "GL_X"));
    EXPECT_FALSE(platform::extensionListHas(list, ""));
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    ASSERT_NE(version, nullptr);
    EXPECT_NE(std::string(version).find("ES-CM 1."), std::string::npos) << version;

    context.clearCurrent();
    EXPECT_FALSE(context.isCurrent());
    EXPECT_TRUE(context.makeCurrent());
    EXPECT_FALSE(GLContext::installShared(nullptr));
    EXPECT_EQ(GLContext::shared(), &context);

    // A host's context replaces it.
    auto unusable = std::make_unique<UnusableContext>();
    GLContext* installed = unusable.get();
    ASSERT_TRUE(GLContext::installShared(std::move(unusable)));
    EXPECT_EQ(GLContext::shared(), installed);
    GLLayer layer;
    layer.setBounds({4.0f, 4.0f});
    EXPECT_FALSE(layer.renderbufferStorage());
    EXPECT_FALSE(layer.present());

    // Put a working context back for whatever runs next in this process.
    auto headless = platform::HeadlessGLContext::create();
    ASSERT_TRUE(headless) << headless.error().message;
    ASSERT_TRUE(GLContext::installShared(std::move(*headless)));
    EXPECT_TRUE(GLContext::shared()->makeCurrent());
}

TEST(GLLayer, StorageHasThePixelSizeAndPresentCopiesTheFrameTopRowFirstToKeep) {
    sharedContext().makeCurrent();
    GLLayer layer;
    layer.setBounds({5.0f, 3.0f});
    Drawable drawable(layer);
    EXPECT_TRUE(drawable.stored);
    EXPECT_EQ(drawable.fbo.checkFramebufferStatus(GL_FRAMEBUFFER_OES),
              static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_OES));
    for (const auto& [name, side] :
         {std::pair{GL_RENDERBUFFER_WIDTH_OES, 5}, std::pair{GL_RENDERBUFFER_HEIGHT_OES, 3}}) {
        GLint stored = 0;
        drawable.fbo.getRenderbufferParameteriv(GL_RENDERBUFFER_OES, name, &stored);
        EXPECT_EQ(stored, side);
    }
    EXPECT_EQ(layer.presentedTexture(), 0u);
    EXPECT_EQ(layer.presentedPixels(), nullptr);

    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);
    drawable.fill(1.0f, 0.0f, 0.0f);
    // Bottom row green in GL's bottom-up order.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 5, 1);
    drawable.fill(0.0f, 1.0f, 0.0f);
    glDisable(GL_SCISSOR_TEST);
    ASSERT_TRUE(layer.present());
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), other);
    EXPECT_NE(layer.presentedTexture(), 0u);
    EXPECT_EQ(layer.presentCount(), 1u);
    EXPECT_EQ(std::pair(layer.presentedWidth(), layer.presentedHeight()), std::pair(5, 3));
    // A power-of-two texture, unless the driver takes any size.
    EXPECT_EQ(std::pair(layer.textureWidth(), layer.textureHeight()),
              std::pair(sharedContext().textureSideFor(5), sharedContext().textureSideFor(3)));
    EXPECT_TRUE(layer.textureWidth() == 5 || layer.textureWidth() == 8);

    // Drawn but not presented: the compositor's copy keeps the presented frame.
    drawable.fill(0.0f, 0.0f, 1.0f);
    platform::PixelBuffer shown = layer.presentedPixels();
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(shown->size(), 5u * 3u * 4u);
    EXPECT_EQ((*shown)[0], 255);            // top-left red
    EXPECT_EQ((*shown)[2 * 20 + 1], 255);   // bottom-left green
    EXPECT_EQ((*shown)[2 * 20 + 4 * 4], 0); // bottom-right, no red
    // The blue frame is still in the renderbuffer, and the framebuffer binding survived.
    GLint framebuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &framebuffer);
    EXPECT_EQ(static_cast<GLuint>(framebuffer), drawable.target.framebuffer());
    std::uint8_t pixel[4] = {};
    glReadPixels(4, 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[2], 255);
    glDeleteTextures(1, &other);

    // The pixel size is the bounds times the scale, rounded; impossible sizes are zero.
    GLLayer none;
    none.setBounds({300.0f, 200.4f});
    EXPECT_EQ(none.pixelHeight(), 200);
    none.setContentsScale(2.0f);
    EXPECT_EQ(std::pair(none.pixelWidth(), none.pixelHeight()), std::pair(600, 401));
    none.setBounds({-5.0f, std::numeric_limits<float>::quiet_NaN()});
    EXPECT_EQ(std::pair(none.pixelWidth(), none.pixelHeight()), std::pair(0, 0));
    // An empty size gets no storage and is never presented.
    none.setBounds({0.0f, 5.0f});
    Drawable empty(none);
    EXPECT_FALSE(empty.stored);
    EXPECT_NE(empty.fbo.checkFramebufferStatus(GL_FRAMEBUFFER_OES),
              static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_OES));
    EXPECT_FALSE(none.present());
}

} // namespace
