#include "platform/render/Compositor.h"

#include "platform/gl/GLContext.h"
#include "platform/ui/GLLayerView.h"
#include "platform/ui/View.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace platform {

namespace {

int toPixels(float points, int scale) {
    const double pixels = std::round(static_cast<double>(points) * scale);
    return pixels > 0.0 && pixels < 16384.0 ? static_cast<int>(pixels) : 0;
}

// The corners of `r` in the order a triangle strip takes them: top-left, top-right,
// bottom-left, bottom-right.
std::array<GLfloat, 8> cornersOf(Rect r) {
    const float right = r.x() + r.width();
    const float bottom = r.y() + r.height();
    return {r.x(), r.y(), right, r.y(), r.x(), bottom, right, bottom};
}

int powerOfTwoAtLeast(int n) {
    int p = 1;
    while (p < n) {
        p *= 2;
    }
    return p;
}

} // namespace

// An axis-aligned box on screen, in points.
struct Compositor::Box {
    float minX = 0.0f;
    float minY = 0.0f;
    float maxX = 0.0f;
    float maxY = 0.0f;

    bool empty() const { return !(minX < maxX && minY < maxY); }
    Box intersected(const Box& o) const {
        return {std::max(minX, o.minX), std::max(minY, o.minY), std::min(maxX, o.maxX),
                std::min(maxY, o.maxY)};
    }
    Box united(const Box& o) const {
        if (empty()) {
            return o;
        }
        if (o.empty()) {
            return *this;
        }
        return {std::min(minX, o.minX), std::min(minY, o.minY), std::max(maxX, o.maxX),
                std::max(maxY, o.maxY)};
    }
    // Overlapping or sharing an edge.
    bool touches(const Box& o) const {
        return minX <= o.maxX && o.minX <= maxX && minY <= o.maxY && o.minY <= maxY;
    }
    friend bool operator==(const Box&, const Box&) = default;
};

// A view as one walk of the tree finds it, in drawing order, with everything its pixels
// depend on.
struct Compositor::Placement {
    View* view = nullptr;
    // Tells the same view from a new one born at the address of a dead one.
    std::weak_ptr<View> owner;
    ViewPresentation shown;
    // Content is laid out for the bounds the view will have, which an animation shows only
    // at its end.
    Rect contentBounds;
    AffineTransform toRoot;
    float opacity = 1.0f;
    Box clip; // what its content and its subviews are clipped to
    Box area; // its bounds on screen, within clip
    Box box;  // where its content may paint: the area and a margin, within clip
    // Whether it hides everything behind its area: an opaque background or GL layer at full
    // opacity, turned by no more than a scale and a translation.
    bool opaque = false;
    std::optional<Color> background;
    std::uint64_t displayVersion = 0;
    std::uint64_t layerFrames = 0;

    // The same view, drawn the same way, but for the frame its GL layer shows: a new frame
    // changes the area only, which it covers exactly.
    bool drawsAsBefore(const Placement& o) const {
        return !owner.expired() && !owner.owner_before(o.owner) && !o.owner.owner_before(owner) &&
               shown.bounds == o.shown.bounds && contentBounds == o.contentBounds &&
               toRoot == o.toRoot && opacity == o.opacity && clip == o.clip && box == o.box &&
               background == o.background && displayVersion == o.displayVersion &&
               opaque == o.opaque;
    }
    bool covers(const Box& b) const {
        return opaque && area.minX <= b.minX && area.minY <= b.minY && area.maxX >= b.maxX &&
               area.maxY >= b.maxY;
    }
};

namespace {

// Content may paint this far outside its view's bounds (shadows, smoothed edges), in points.
constexpr float kPaintMargin = 4.0f;
// More damaged boxes than this are drawn as one.
constexpr std::size_t kMaxDamageBoxes = 8;

} // namespace

// Textures of the pictures drawn lately, by the address of their pixels; the weak
// reference tells a picture that died from a new one at the same address.
struct Compositor::TextureCache {
    struct Entry {
        std::weak_ptr<const PixelBytes> pixels;
        GLuint texture = 0;
        int textureWidth = 0;
        int textureHeight = 0;
        std::uint64_t lastFrame = 0;
    };
    // A picture not drawn for this many frames gives its texture back.
    static constexpr std::uint64_t kKeepFrames = 120;

    std::unordered_map<const PixelBytes*, Entry> entries;
    std::uint64_t frame = 0;

    ~TextureCache() {
        GLContext* context = GLContext::shared();
        if (entries.empty() || context == nullptr || !context->makeCurrent()) {
            return;
        }
        for (const auto& [pixels, entry] : entries) {
            glDeleteTextures(1, &entry.texture);
        }
    }

    // Drops the textures of pictures that are gone or were not drawn for a while.
    void sweep() {
        ++frame;
        std::erase_if(entries, [this](const auto& item) {
            const Entry& entry = item.second;
            if (entry.pixels.expired() || frame - entry.lastFrame > kKeepFrames) {
                glDeleteTextures(1, &entry.texture);
                return true;
            }
            return false;
        });
    }
};

// The screen kept between updates, in a texture-backed framebuffer of the compositor's own
// or in the caller's, and what was drawn into it.
struct Compositor::Screen {
    GLuint texture = 0;
    GLuint framebuffer = 0; // 0: the caller's framebuffer
    int width = 0;
    int height = 0;
    int textureWidth = 0;
    int textureHeight = 0;
    std::vector<Placement> placed;

    // A texture of the screen's size to draw into; false when GL can not draw into it.
    bool makeTarget(const GLContext& context) {
        // Where textures must be powers of two, the screen fills the lower-left corner.
        textureWidth = context.textureSideFor(width);
        textureHeight = context.textureSideFor(height);
        const FramebufferFunctions& fbo = context.fbo();
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        defineTexture(textureWidth, textureHeight, nullptr, GL_NEAREST);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
        fbo.genFramebuffers(1, &framebuffer);
        fbo.bindFramebuffer(GL_FRAMEBUFFER_OES, framebuffer);
        fbo.framebufferTexture2D(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D,
                                 texture, 0);
        return fbo.checkFramebufferStatus(GL_FRAMEBUFFER_OES) == GL_FRAMEBUFFER_COMPLETE_OES;
    }

    ~Screen() {
        GLContext* context = GLContext::shared();
        if (context == nullptr || !context->makeCurrent()) {
            return;
        }
        if (framebuffer != 0) {
            context->fbo().deleteFramebuffers(1, &framebuffer);
        }
        if (texture != 0) {
            glDeleteTextures(1, &texture);
        }
    }
};

namespace {

using Box = Compositor::Box;
using Placement = Compositor::Placement;

// Every visible view under `view`, back to front.
void place(View& view, const AffineTransform& toRoot, float opacity, Box clip,
           std::vector<Placement>& placed) {
    if (view.isHidden()) {
        return;
    }
    view.layoutForDisplay();
    const ViewPresentation shown = view.presentation();
    opacity *= shown.alpha;
    if (opacity <= 0.0f) {
        return;
    }
    const Rect& b = shown.bounds;
    // The box of the bounds on screen, which is exact for the scales and translations
    // views use.
    const Point corners[4] = {toRoot.apply({b.x(), b.y()}),
                              toRoot.apply({b.x() + b.width(), b.y()}),
                              toRoot.apply({b.x(), b.y() + b.height()}),
                              toRoot.apply({b.x() + b.width(), b.y() + b.height()})};
    Box onScreen{corners[0].x, corners[0].y, corners[0].x, corners[0].y};
    for (const Point& p : corners) {
        onScreen = {std::min(onScreen.minX, p.x), std::min(onScreen.minY, p.y),
                    std::max(onScreen.maxX, p.x), std::max(onScreen.maxY, p.y)};
    }
    if (view.clipsToBounds()) {
        clip = clip.intersected(onScreen);
        if (clip.empty()) {
            return;
        }
    }
    Placement placement;
    placement.view = &view;
    placement.owner = view.weak_from_this();
    placement.shown = shown;
    placement.contentBounds = view.bounds();
    placement.toRoot = toRoot;
    placement.opacity = opacity;
    placement.clip = clip;
    placement.area = onScreen.intersected(clip);
    placement.box = Box{onScreen.minX - kPaintMargin, onScreen.minY - kPaintMargin,
                        onScreen.maxX + kPaintMargin, onScreen.maxY + kPaintMargin}
                        .intersected(clip);
    placement.background = view.backgroundColor();
    placement.displayVersion = view.displayVersion();
    bool opaqueContent = placement.background && placement.background->alpha >= 1.0f;
    if (const auto* glView = dynamic_cast<const GLLayerView*>(&view)) {
        const GLLayer& layer = glView->layer();
        placement.layerFrames = layer.presentCount();
        opaqueContent =
            opaqueContent || (layer.presentsOpaqueFrame() && layer.presentedTexture() != 0);
    }
    placement.opaque = opaqueContent && opacity >= 1.0f && toRoot.b == 0.0f && toRoot.c == 0.0f;
    placed.push_back(std::move(placement));

    for (const auto& child : view.children()) {
        const ViewPresentation c = child->presentation();
        const AffineTransform toParent =
            AffineTransform::makeTranslation(-(c.bounds.x() + c.bounds.width() * 0.5f),
                                             -(c.bounds.y() + c.bounds.height() * 0.5f))
                .concat(c.transform)
                .concat(AffineTransform::makeTranslation(c.center.x, c.center.y));
        place(*child, toParent.concat(toRoot), opacity, clip, placed);
    }
}

std::vector<Placement> placeTree(View& root, const Box& screen) {
    std::vector<Placement> placed;
    // The root shows its bounds; its own position and transform are the host's.
    const Rect bounds = root.presentation().bounds;
    place(root, AffineTransform::makeTranslation(-bounds.x(), -bounds.y()), 1.0f, screen, placed);
    return placed;
}

// Where `now` draws differently from `before`: the old and new boxes of every view that
// changed, appeared or went away, and the area of every GL layer that presented a frame.
// When views that stay swap their order, everything is.
std::vector<Box> damageBetween(const std::vector<Placement>& before,
                               const std::vector<Placement>& now, const Box& screen) {
    std::unordered_map<const View*, std::size_t> earlier;
    for (std::size_t i = 0; i < before.size(); ++i) {
        earlier.emplace(before[i].view, i);
    }
    std::vector<bool> kept(before.size(), false);
    std::vector<Box> damage;
    std::size_t lastKept = 0;
    bool anyKept = false;
    for (const Placement& p : now) {
        const auto found = earlier.find(p.view);
        if (found != earlier.end() && !kept[found->second] &&
            p.drawsAsBefore(before[found->second])) {
            const std::size_t index = found->second;
            if (p.layerFrames != before[index].layerFrames) {
                damage.push_back(p.area);
            }
            if (anyKept && index < lastKept) {
                return {screen};
            }
            kept[index] = true;
            lastKept = index;
            anyKept = true;
            continue;
        }
        damage.push_back(p.box);
    }
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (!kept[i]) {
            damage.push_back(before[i].box);
        }
    }
    return damage;
}

// Whole pixels within the screen, touching boxes merged; too many become one.
std::vector<Box> tidyDamage(std::vector<Box> boxes, const Box& screen, int scale) {
    const float s = static_cast<float>(scale);
    std::vector<Box> tidy;
    for (Box box : boxes) {
        box = box.intersected(screen);
        if (box.empty()) {
            continue;
        }
        // A hair of rounding error must not widen the box by a whole pixel.
        constexpr float kSlack = 1e-3f;
        box = {std::floor(box.minX * s + kSlack) / s, std::floor(box.minY * s + kSlack) / s,
               std::ceil(box.maxX * s - kSlack) / s, std::ceil(box.maxY * s - kSlack) / s};
        // Merging may make the box touch ones merged before: look again until it stands alone.
        for (bool merged = true; merged;) {
            merged = false;
            for (auto it = tidy.begin(); it != tidy.end(); ++it) {
                if (it->touches(box)) {
                    box = box.united(*it);
                    tidy.erase(it);
                    merged = true;
                    break;
                }
            }
        }
        tidy.push_back(box);
    }
    if (tidy.size() > kMaxDamageBoxes) {
        Box all;
        for (const Box& box : tidy) {
            all = all.united(box);
        }
        tidy = {all};
    }
    return tidy;
}

} // namespace

Compositor::Compositor(int scale)
    : scale_(std::clamp(scale, 1, 8)), textures_(std::make_unique<TextureCache>()) {}

Compositor::~Compositor() = default;

std::size_t Compositor::cachedTextureCount() const {
    return textures_->entries.size();
}

void Compositor::loadTransform(const AffineTransform& t) {
    const GLfloat m[16] = {t.a, t.b, 0, 0, t.c, t.d, 0, 0, 0, 0, 1, 0, t.tx, t.ty, 0, 1};
    glLoadMatrixf(m);
}

void Compositor::applyClip(const Box& clip) {
    const auto px = [this](float v) {
        return static_cast<GLint>(std::lround(static_cast<double>(v) * scale_));
    };
    const GLint x0 = px(clip.minX);
    const GLint x1 = px(clip.maxX);
    const GLint y0 = px(clip.minY);
    const GLint y1 = px(clip.maxY);
    glScissor(x0, targetHeight_ - y1, std::max(0, x1 - x0), std::max(0, y1 - y0));
}

void Compositor::drawInto(View& root) {
    const Rect bounds = root.presentation().bounds;
    const Box screen{0.0f, 0.0f, bounds.width(), bounds.height()};
    draw(placeTree(root, screen), {screen}, bounds.size);
}

void Compositor::draw(const std::vector<Placement>& placed, const std::vector<Box>& damage,
                      Size size) {
    const int width = toPixels(size.width, scale_);
    const int height = toPixels(size.height, scale_);
    targetHeight_ = height;

    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // Points with y growing downward, as the views count them.
    glOrthof(0.0f, size.width, size.height, 0.0f, -1.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    // Colours and textures are premultiplied.
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_SCISSOR_TEST);
    glEnableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    textures_->sweep();
    for (const Box& area : damage) {
        // What lies behind the last view that hides the whole area is not drawn at all; an
        // opaque background there is laid down by clearing, which costs far less than filling.
        std::size_t first = placed.size();
        while (first > 0 && !placed[first - 1].covers(area)) {
            --first;
        }
        first = first > 0 ? first - 1 : placed.size();
        const bool clearsToBackground = first < placed.size() && placed[first].background &&
                                        placed[first].background->alpha >= 1.0f;
        if (first == placed.size() || clearsToBackground) {
            const Color c = clearsToBackground ? *placed[first].background : Color::black();
            glClearColor(c.red, c.green, c.blue, 1.0f);
            applyClip(area);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        for (std::size_t i = first == placed.size() ? 0 : first; i < placed.size(); ++i) {
            const Placement& placement = placed[i];
            const Box clip = placement.clip.intersected(area);
            if (!placement.box.intersected(area).empty() && !clip.empty()) {
                drawPlaced(placement, clip, !(i == first && clearsToBackground));
            }
        }
    }

    glDisable(GL_SCISSOR_TEST);
    glDisableClientState(GL_VERTEX_ARRAY);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void Compositor::drawPlaced(const Placement& placement, const Box& clip, bool withBackground) {
    applyClip(clip);
    loadTransform(placement.toRoot);
    opacity_ = placement.opacity;
    const Rect& b = placement.shown.bounds;
    if (placement.background && withBackground) {
        fillRect(b, *placement.background);
    }
    if (const auto* glView = dynamic_cast<const GLLayerView*>(placement.view)) {
        const GLLayer& layer = glView->layer();
        if (layer.presentedTexture() != 0 && layer.textureWidth() > 0 &&
            layer.textureHeight() > 0) {
            // The texture holds the frame bottom row first.
            const float s1 = static_cast<float>(layer.presentedWidth()) /
                             static_cast<float>(layer.textureWidth());
            const float t1 = static_cast<float>(layer.presentedHeight()) /
                             static_cast<float>(layer.textureHeight());
            // An opaque layer replaces what is behind it, whatever alpha its frame holds; a
            // frame of alpha 1 everywhere gives the same drawn blended or not.
            const bool replaces = layer.presentsOpaqueFrame() && placement.opacity >= 1.0f;
            if (replaces) {
                glDisable(GL_BLEND);
            }
            drawTexture(layer.presentedTexture(), b, 0.0f, t1, s1, 0.0f);
            if (replaces) {
                glEnable(GL_BLEND);
            }
        }
    }
    placement.view->drawContent(*this);
}

bool Compositor::update(View& root) {
    return bringUpToDate(root, true, {});
}

bool Compositor::updateBound(View& root, std::span<const Rect> drawnOver) {
    return bringUpToDate(root, false, drawnOver);
}

bool Compositor::bringUpToDate(View& root, bool ownTexture, std::span<const Rect> drawnOver) {
    GLContext* context = GLContext::shared();
    if (context == nullptr || !context->makeCurrent()) {
        return false;
    }
    const Rect bounds = root.presentation().bounds;
    const int width = toPixels(bounds.width(), scale_);
    const int height = toPixels(bounds.height(), scale_);
    if (width == 0 || height == 0) {
        return false;
    }
    const FramebufferFunctions& fbo = context->fbo();
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &previous);
    const Box screen{0.0f, 0.0f, bounds.width(), bounds.height()};
    std::vector<Placement> placed = placeTree(root, screen);
    std::vector<Box> damage;
    if (screen_ == nullptr || screen_->width != width || screen_->height != height ||
        (screen_->framebuffer != 0) != ownTexture) {
        screen_.reset();
        auto fresh = std::make_unique<Screen>();
        fresh->width = width;
        fresh->height = height;
        if (ownTexture && !fresh->makeTarget(*context)) {
            fbo.bindFramebuffer(GL_FRAMEBUFFER_OES, static_cast<GLuint>(previous));
            return false;
        }
        screen_ = std::move(fresh);
        damage = {screen};
    } else {
        std::vector<Box> changed = damageBetween(screen_->placed, placed, screen);
        for (const Rect& r : drawnOver) {
            changed.push_back({r.x(), r.y(), r.x() + r.width(), r.y() + r.height()});
        }
        damage = tidyDamage(std::move(changed), screen, scale_);
    }
    if (!damage.empty()) {
        fbo.bindFramebuffer(GL_FRAMEBUFFER_OES,
                            ownTexture ? screen_->framebuffer : static_cast<GLuint>(previous));
        draw(placed, damage, bounds.size);
    }
    fbo.bindFramebuffer(GL_FRAMEBUFFER_OES, static_cast<GLuint>(previous));
    screen_->placed = std::move(placed);
    lastDamage_.clear();
    for (const Box& box : damage) {
        lastDamage_.emplace_back(box.minX, box.minY, box.maxX - box.minX, box.maxY - box.minY);
    }
    return true;
}

void Compositor::drawScreen(const std::array<Point, 4>& corners) const {
    if (screen_ == nullptr || screen_->texture == 0) {
        return;
    }
    // The texture holds the screen bottom row first.
    const float s1 = static_cast<float>(screen_->width) / static_cast<float>(screen_->textureWidth);
    const float t1 =
        static_cast<float>(screen_->height) / static_cast<float>(screen_->textureHeight);
    glDisable(GL_BLEND);
    drawQuad(screen_->texture, corners, {0.0f, t1, s1, t1, 0.0f, 0.0f, s1, 0.0f});
}

void Compositor::drawQuad(GLuint texture, const std::array<Point, 4>& corners,
                          const std::array<GLfloat, 8>& coords) {
    const GLfloat vertices[8] = {corners[0].x, corners[0].y, corners[1].x, corners[1].y,
                                 corners[2].x, corners[2].y, corners[3].x, corners[3].y};
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glTexCoordPointer(2, GL_FLOAT, 0, coords.data());
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
}

void Compositor::fillRect(Rect r, Color color) {
    const float a = color.alpha * opacity_;
    if (a <= 0.0f) {
        return;
    }
    const std::array<GLfloat, 8> vertices = cornersOf(r);
    glColor4f(color.red * a, color.green * a, color.blue * a, a);
    glVertexPointer(2, GL_FLOAT, 0, vertices.data());
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void Compositor::drawTexture(GLuint texture, Rect r, float s0, float t0, float s1, float t1,
                             float alpha) {
    const std::array<GLfloat, 8> vertices = cornersOf(r);
    const GLfloat coords[8] = {s0, t0, s1, t0, s0, t1, s1, t1};
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    const float a = opacity_ * std::clamp(alpha, 0.0f, 1.0f);
    glColor4f(a, a, a, a);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, vertices.data());
    glTexCoordPointer(2, GL_FLOAT, 0, coords);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
}

void Compositor::drawPicture(const Picture& picture, Rect rect, float alpha) {
    const int w = picture.width();
    const int h = picture.height();
    const PixelBuffer& pixels = picture.pixels();
    if (!pixels || w <= 0 || h <= 0) {
        return;
    }
    TextureCache::Entry& entry = textures_->entries[pixels.get()];
    const bool same = entry.texture != 0 && !entry.pixels.owner_before(pixels) &&
                      !pixels.owner_before(entry.pixels) && !entry.pixels.expired();
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    if (!same) {
        // ES 1.1 wants power-of-two textures: the picture goes into the top-left corner.
        const int tw = powerOfTwoAtLeast(w);
        const int th = powerOfTwoAtLeast(h);
        std::vector<std::uint8_t> padded(static_cast<std::size_t>(tw) *
                                         static_cast<std::size_t>(th) * 4);
        const std::size_t row = static_cast<std::size_t>(w) * 4;
        for (int y = 0; y < h; ++y) {
            std::memcpy(padded.data() +
                            static_cast<std::size_t>(y) * static_cast<std::size_t>(tw) * 4,
                        pixels->data() + static_cast<std::size_t>(y) * row, row);
        }
        if (entry.texture == 0) {
            glGenTextures(1, &entry.texture);
        }
        glBindTexture(GL_TEXTURE_2D, entry.texture);
        defineTexture(tw, th, padded.data(), GL_LINEAR);
        entry.pixels = pixels;
        entry.textureWidth = tw;
        entry.textureHeight = th;
    }
    entry.lastFrame = textures_->frame;
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    // Row 0 of the upload is the picture's top row.
    drawTexture(entry.texture, rect, 0.0f, 0.0f,
                static_cast<float>(w) / static_cast<float>(entry.textureWidth),
                static_cast<float>(h) / static_cast<float>(entry.textureHeight), alpha);
}

void Compositor::fillConvex(std::span<const Point> outline, Color top, Color bottom,
                            float gradientTop, float gradientBottom) {
    // Corners closer than this are one corner: arcs of tiny radius repeat points.
    constexpr float kSamePoint = 1e-4f;
    std::vector<Point> corners;
    corners.reserve(outline.size());
    for (const Point& p : outline) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
            return;
        }
        if (corners.empty() || std::fabs(p.x - corners.back().x) > kSamePoint ||
            std::fabs(p.y - corners.back().y) > kSamePoint) {
            corners.push_back(p);
        }
    }
    while (corners.size() > 1 && std::fabs(corners.front().x - corners.back().x) <= kSamePoint &&
           std::fabs(corners.front().y - corners.back().y) <= kSamePoint) {
        corners.pop_back();
    }
    const std::size_t n = corners.size();
    if (n < 3 || opacity_ <= 0.0f) {
        return;
    }
    double twiceArea = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const Point& p = corners[i];
        const Point& q = corners[(i + 1) % n];
        twiceArea += static_cast<double>(p.x) * q.y - static_cast<double>(q.x) * p.y;
    }
    if (twiceArea == 0.0) {
        return;
    }
    const float outward = twiceArea > 0.0 ? 1.0f : -1.0f;

    // Outward unit normal of the edge from corner i to corner i + 1.
    std::vector<Point> edgeNormals(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Point& p = corners[i];
        const Point& q = corners[(i + 1) % n];
        const float dx = q.x - p.x;
        const float dy = q.y - p.y;
        const float length = std::sqrt(dx * dx + dy * dy);
        edgeNormals[i] = {outward * dy / length, -outward * dx / length};
    }
    // The smoothed edge is one pixel wide and straddles the outline.
    const float half = 0.5f / static_cast<float>(scale_);
    std::vector<Point> inner(n);
    std::vector<Point> outer(n);
    Point centre;
    for (std::size_t i = 0; i < n; ++i) {
        const Point& before = edgeNormals[(i + n - 1) % n];
        const Point& after = edgeNormals[i];
        float nx = before.x + after.x;
        float ny = before.y + after.y;
        const float length = std::sqrt(nx * nx + ny * ny);
        if (length < 1e-6f) {
            nx = after.x;
            ny = after.y;
        } else {
            nx /= length;
            ny /= length;
        }
        // Sharp corners (an arrow's tip) would shoot far out: limit the mitre to twice
        // the edge's width.
        const float miter = half / std::max(nx * after.x + ny * after.y, 0.5f);
        inner[i] = {corners[i].x - nx * miter, corners[i].y - ny * miter};
        outer[i] = {corners[i].x + nx * miter, corners[i].y + ny * miter};
        centre.x += inner[i].x;
        centre.y += inner[i].y;
    }
    centre.x /= static_cast<float>(n);
    centre.y /= static_cast<float>(n);

    const auto colourAt = [&](float y, float coverage) {
        float t = 0.0f;
        if (gradientBottom != gradientTop) {
            t = std::clamp((y - gradientTop) / (gradientBottom - gradientTop), 0.0f, 1.0f);
        }
        const float a = (top.alpha + (bottom.alpha - top.alpha) * t) * opacity_ * coverage;
        return std::array<GLfloat, 4>{(top.red + (bottom.red - top.red) * t) * a,
                                      (top.green + (bottom.green - top.green) * t) * a,
                                      (top.blue + (bottom.blue - top.blue) * t) * a, a};
    };
    std::vector<GLfloat> vertices;
    std::vector<GLfloat> colours;
    vertices.reserve(n * 18);
    colours.reserve(n * 36);
    const auto add = [&](Point p, float coverage) {
        vertices.push_back(p.x);
        vertices.push_back(p.y);
        const auto c = colourAt(p.y, coverage);
        colours.insert(colours.end(), c.begin(), c.end());
    };
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = (i + 1) % n;
        add(centre, 1.0f);
        add(inner[i], 1.0f);
        add(inner[j], 1.0f);
        add(inner[i], 1.0f);
        add(outer[i], 0.0f);
        add(inner[j], 1.0f);
        add(inner[j], 1.0f);
        add(outer[i], 0.0f);
        add(outer[j], 0.0f);
    }
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, vertices.data());
    glColorPointer(4, GL_FLOAT, 0, colours.data());
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices.size() / 2));
    glDisableClientState(GL_COLOR_ARRAY);
}

std::optional<Picture> Compositor::snapshot(View& root) {
    GLContext* context = GLContext::shared();
    if (context == nullptr || !context->makeCurrent()) {
        return std::nullopt;
    }
    const Rect bounds = root.presentation().bounds;
    const int width = toPixels(bounds.width(), scale_);
    const int height = toPixels(bounds.height(), scale_);
    if (width == 0 || height == 0) {
        return std::nullopt;
    }
    const FramebufferFunctions& fbo = context->fbo();
    GLint previousFramebuffer = 0;
    GLint previousRenderbuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &previousFramebuffer);
    glGetIntegerv(GL_RENDERBUFFER_BINDING_OES, &previousRenderbuffer);
    GLuint framebuffer = 0;
    GLuint renderbuffer = 0;
    fbo.genFramebuffers(1, &framebuffer);
    fbo.genRenderbuffers(1, &renderbuffer);
    fbo.bindFramebuffer(GL_FRAMEBUFFER_OES, framebuffer);
    fbo.bindRenderbuffer(GL_RENDERBUFFER_OES, renderbuffer);
    fbo.renderbufferStorage(GL_RENDERBUFFER_OES, GL_RGBA8_OES, width, height);
    fbo.framebufferRenderbuffer(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                renderbuffer);
    std::optional<Picture> result;
    if (fbo.checkFramebufferStatus(GL_FRAMEBUFFER_OES) == GL_FRAMEBUFFER_COMPLETE_OES) {
        drawInto(root);
        const std::size_t row = static_cast<std::size_t>(width) * 4;
        std::vector<std::uint8_t> pixels(row * static_cast<std::size_t>(height));
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        // GL reads bottom row first; pictures are top row first.
        auto upright = std::make_shared<PixelBytes>(pixels.size());
        for (int y = 0; y < height; ++y) {
            std::memcpy(upright->data() + row * static_cast<std::size_t>(y),
                        pixels.data() + row * static_cast<std::size_t>(height - 1 - y), row);
        }
        result = Picture::create(std::move(upright), width, height);
    }
    fbo.bindFramebuffer(GL_FRAMEBUFFER_OES, static_cast<GLuint>(previousFramebuffer));
    fbo.bindRenderbuffer(GL_RENDERBUFFER_OES, static_cast<GLuint>(previousRenderbuffer));
    fbo.deleteRenderbuffers(1, &renderbuffer);
    fbo.deleteFramebuffers(1, &framebuffer);
    return result;
}

} // namespace platform
