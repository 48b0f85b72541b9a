#include "platform/graphics/BitmapContext.h"

#include <bit>
#include <pixman.h>

namespace platform {

namespace {

// Bytes R, G, B, A in memory, whatever the machine's byte order.
constexpr pixman_format_code_t rgbaBytes =
    std::endian::native == std::endian::little ? PIXMAN_a8b8g8r8 : PIXMAN_r8g8b8a8;

// The mapping from picture pixels to bitmap memory is composed in double precision, so
// that large pictures land on whole pixels.
struct Affine {
    double a, b, c, d, tx, ty;

    explicit Affine(const AffineTransform& t)
        : a(t.a), b(t.b), c(t.c), d(t.d), tx(t.tx), ty(t.ty) {}
    Affine(double a, double b, double c, double d, double tx, double ty)
        : a(a), b(b), c(c), d(d), tx(tx), ty(ty) {}
    // This, then `then`.
    Affine concat(const Affine& then) const {
        return {a * then.a + b * then.c,
                a * then.b + b * then.d,
                c * then.a + d * then.c,
                c * then.b + d * then.d,
                tx * then.a + ty * then.c + then.tx,
                tx * then.b + ty * then.d + then.ty};
    }
};

} // namespace

std::unique_ptr<BitmapContext> BitmapContext::create(int width, int height) {
    if (width <= 0 || height <= 0 ||
        static_cast<std::int64_t>(width) * static_cast<std::int64_t>(height) > Picture::maxPixels) {
        return nullptr;
    }
    return std::unique_ptr<BitmapContext>(new BitmapContext(width, height));
}

BitmapContext::BitmapContext(int width, int height)
    : width_(width), height_(height),
      bytes_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4) {}

void BitmapContext::concatCTM(const AffineTransform& transform) {
    ctm_ = transform.concat(ctm_);
}

void BitmapContext::drawPicture(const Picture& picture, Rect rect) {
    const double iw = picture.width();
    const double ih = picture.height();
    const double rx = rect.x();
    const double ry = rect.y();
    const double rw = rect.width();
    const double rh = rect.height();
    if (!(rw > 0.0) || !(rh > 0.0)) {
        return;
    }
    // Picture pixel (u, v), top-down → user space → bitmap (bottom-up) through the CTM →
    // memory rows (top-down). pixman wants the inverse: memory → picture.
    const Affine toUser{rw / iw, 0.0, 0.0, -rh / ih, rx, ry + rh};
    const Affine toMemory =
        toUser.concat(Affine(ctm_))
            .concat(Affine{1.0, 0.0, 0.0, -1.0, 0.0, static_cast<double>(height_)});
    pixman_f_transform forward;
    forward.m[0][0] = toMemory.a;
    forward.m[0][1] = toMemory.c;
    forward.m[0][2] = toMemory.tx;
    forward.m[1][0] = toMemory.b;
    forward.m[1][1] = toMemory.d;
    forward.m[1][2] = toMemory.ty;
    forward.m[2][0] = 0.0;
    forward.m[2][1] = 0.0;
    forward.m[2][2] = 1.0;
    pixman_f_transform inverse;
    pixman_transform fixed;
    if (!pixman_f_transform_invert(&inverse, &forward) ||
        !pixman_transform_from_pixman_f_transform(&fixed, &inverse)) {
        return;
    }
    // pixman only reads a source image; the picture's shared bytes stay untouched.
    auto* sourceBits = const_cast<std::uint32_t*>(
        reinterpret_cast<const std::uint32_t*>(picture.pixels()->data()));
    pixman_image_t* source = pixman_image_create_bits(rgbaBytes, picture.width(), picture.height(),
                                                      sourceBits, picture.width() * 4);
    pixman_image_t* target = pixman_image_create_bits(
        rgbaBytes, width_, height_, reinterpret_cast<std::uint32_t*>(bytes_.data()), width_ * 4);
    if (source != nullptr && target != nullptr) {
        pixman_image_set_transform(source, &fixed);
        pixman_image_set_filter(source,
                                interpolation_ == Interpolation::Bilinear ? PIXMAN_FILTER_BILINEAR
                                                                          : PIXMAN_FILTER_NEAREST,
                                nullptr, 0);
        pixman_image_set_repeat(source, PIXMAN_REPEAT_NONE);
        pixman_image_composite32(PIXMAN_OP_OVER, source, nullptr, target, 0, 0, 0, 0, 0, 0, width_,
                                 height_);
    }
    if (source != nullptr) {
        pixman_image_unref(source);
    }
    if (target != nullptr) {
        pixman_image_unref(target);
    }
}

std::optional<Picture> BitmapContext::makePicture() const {
    return Picture::create(std::make_shared<const PixelBytes>(bytes_), width_, height_);
}

} // namespace platform
