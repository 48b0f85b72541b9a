#include "Pixello/EffectGrid.h"
#include "Pixello/GLView.h"
#include "Pixello/PixelloKernel.h"
#include "ZevkoCore/ZVKCommons.h"
#include "platform/base/AffineTransform.h"
#include "platform/graphics/BitmapContext.h"

#include <algorithm>
#include <cmath>
#include <numbers>

// The kernel's image processing: effects from finger positions, finishing them into history
// pictures, cropping, and turning pictures into pixel buffers.

std::optional<platform::Size> PixelloKernel::imageSize() {
    const std::optional<platform::Picture> picture = model_->image();
    if (!picture) {
        return std::nullopt;
    }
    return picture->size();
}

void PixelloKernel::applySmudgeFrom(const ZVKPoint& from, const ZVKPoint& to) {
    const std::optional<platform::Size> size = imageSize();
    if (!size) {
        return;
    }
    const ZVKScrollView* surface =
        mainViewController_ ? mainViewController_->scrollView() : nullptr;
    const float zoom = surface != nullptr && surface->zoom() > 0.0f ? surface->zoom() : 1.0f;
    EffectGrid& grid = *model_->grid();
    grid.setWidth(1.0f);
    grid.setHeight(1.0f);
    const ZVKPoint f(from.x() / size->width, from.y() / size->height);
    const ZVKPoint t(to.x() / size->width, to.y() / size->height);
    // A constant distance on the screen: at zoom 2 it covers half as many picture pixels.
    const float width = ((1.0f / zoom) * model_->smudgeWidth()) / size->width;
    grid.smudgeFrom(f, t, model_->smudgePower(), width);
}

std::optional<platform::Rect>
PixelloKernel::resetGridForTwoFingerEffect(const std::vector<ZVKPoint>& from,
                                           const std::vector<ZVKPoint>& to) {
    const std::optional<platform::Size> size = imageSize();
    if (!size || from.size() < 2 || to.size() < 2) {
        return std::nullopt;
    }
    EffectGrid& grid = *model_->grid();
    grid.setWidth(1.0f);
    grid.setHeight(1.0f);
    const platform::Rect r = effectRectFromPoints(from[0], from[1], to[0], to[1]);
    // Bump and pinch are always computed from the rest lattice, never accumulated.
    grid.reset();
    return platform::Rect(r.x() / size->width, r.y() / size->height, r.width() / size->width,
                          r.height() / size->height);
}

void PixelloKernel::applyBumpFrom(const std::vector<ZVKPoint>& from,
                                  const std::vector<ZVKPoint>& to) {
    if (const auto rect = resetGridForTwoFingerEffect(from, to)) {
        model_->grid()->bumpInRect(*rect, model_->bumpPower(), false);
    }
}

void PixelloKernel::applyPinchFrom(const std::vector<ZVKPoint>& from,
                                   const std::vector<ZVKPoint>& to) {
    if (const auto rect = resetGridForTwoFingerEffect(from, to)) {
        model_->grid()->pinchInRect(*rect, model_->pinchPower(), false);
    }
}

platform::Rect PixelloKernel::effectRectFromPoints(const ZVKPoint&, const ZVKPoint&,
                                                   const ZVKPoint& current1,
                                                   const ZVKPoint& current2) {
    // Where the fingers went down does not matter: only where they are now.
    return boundRectForPoints(current1, current2);
}

platform::Rect PixelloKernel::boundRectForPoints(const ZVKPoint& p, const ZVKPoint& q) {
    const float x = std::min(p.x(), q.x());
    const float y = std::min(p.y(), q.y());
    return {x, y, std::max(p.x(), q.x()) - x, std::max(p.y(), q.y()) - y};
}

platform::Rect PixelloKernel::castToIntRect(platform::Rect rect) {
    return {std::trunc(rect.x()), std::trunc(rect.y()), std::trunc(rect.width()),
            std::trunc(rect.height())};
}

platform::Rect PixelloKernel::flipRect(platform::Rect rect, platform::Rect insideBoundRect) {
    return {rect.x(), insideBoundRect.height() - rect.y() - rect.height(), rect.width(),
            rect.height()};
}

platform::Rect PixelloKernel::clipRect(platform::Rect rect, platform::Rect byRect) {
    const float x = std::max(rect.x(), byRect.x());
    const float y = std::max(rect.y(), byRect.y());
    return {x, y, std::min(rect.x() + rect.width(), byRect.x() + byRect.width()) - x,
            std::min(rect.y() + rect.height(), byRect.y() + byRect.height()) - y};
}

void PixelloKernel::finishEffect() {
    // No touch may arrive while the picture is replaced.
    if (mainViewController_ && mainViewController_->isViewLoaded()) {
        mainViewController_->view()->setUserInteractionEnabled(false);
    }
    finishEffectAfterDelay();
}

void PixelloKernel::finishEffectAfterDelay() {
    GLView* glView = mainViewController_ ? mainViewController_->glView() : nullptr;
    // Without a picture the view shows nothing worth keeping.
    if (glView != nullptr && imageSize()) {
        platform::PixelBuffer data;
        std::optional<platform::Picture> picture = glView->capture(data);
        // The grid the frame was drawn with, so the edit can be drawn again at full size.
        const GridStep step = GridStep::of(*model_->grid());
        const std::string base = currentEntryName();
        model_->grid()->reset();
        if (picture) {
            // The buffer goes first, so the entry is written from it and the screen uploads
            // it instead of decoding the picture again.
            model_->setDataRef(std::move(data));
            const auto saved = model_->setImage(picture);
            if (saved) {
                recordStep(base, step);
            }
            reportSave(saved, ZVKLocalString("The picture could not be saved: %@"));
        }
    }
    // The indicator is a plain placeholder view for now: it has no animation to stop.
    if (mainViewController_ && mainViewController_->isViewLoaded()) {
        mainViewController_->view()->setUserInteractionEnabled(true);
    }
}

void PixelloKernel::applyCrop() {
    const std::optional<platform::Picture> picture = model_->image();
    if (!picture) {
        return;
    }
    // subImage makes the rectangle whole pixels and keeps it inside the picture.
    const std::optional<platform::Picture> cropped = picture->subImage(model_->cropRect());
    const std::optional<CropStep> step =
        CropStep::of(model_->cropRect(), picture->width(), picture->height());
    if (!cropped || !step) {
        return;
    }
    const std::string base = currentEntryName();
    model_->setDataRef(dataFromImage(*cropped));
    const auto saved = model_->setImage(cropped);
    if (saved) {
        recordStep(base, *step);
    }
    reportSave(saved, ZVKLocalString("The picture could not be saved: %@"));
}

platform::PixelBuffer PixelloKernel::dataFromImage(const platform::Picture& picture) {
    const auto view = GLView::create(
        {0.0f, 0.0f, static_cast<float>(picture.width()), static_cast<float>(picture.height())});
    if (!view) {
        return nullptr;
    }
    view->loadSpriteImage(&picture);
    view->setGrid(std::make_shared<EffectGrid>(1, 1));
    view->setPresent(false);
    view->drawView();
    platform::PixelBuffer data;
    view->capture(data);
    return data;
}

platform::Size PixelloKernel::fittedSize(platform::Size size, float maxWidth, float maxHeight) {
    float w = size.width;
    float h = size.height;
    if (maxWidth < w) {
        h = maxWidth * h / w;
        w = maxWidth;
    }
    if (h > maxHeight) {
        w = maxHeight * w / h;
        h = maxHeight;
    }
    const platform::Rect whole = castToIntRect({0.0f, 0.0f, w, h});
    // A very thin picture would truncate to nothing: it keeps at least one pixel across.
    return {std::max(whole.width(), 1.0f), std::max(whole.height(), 1.0f)};
}

std::optional<platform::Picture> PixelloKernel::convertImageToPNG(const platform::Picture& picture,
                                                                  float maxWidth, float maxHeight) {
    return drawUpright(picture, fittedSize(picture.size(), maxWidth, maxHeight));
}

std::optional<platform::Picture>
PixelloKernel::convertImageToPNG(const platform::ReducedPicture& reduced, float maxWidth,
                                 float maxHeight) {
    // The size comes from the whole picture, so a reduced decode converts to exactly what
    // the whole one would.
    return drawUpright(reduced.picture, fittedSize(reduced.fullSize, maxWidth, maxHeight));
}

std::optional<platform::Picture> PixelloKernel::drawUpright(const platform::Picture& picture,
                                                            platform::Size size) {
    const float w = size.width;
    const float h = size.height;
    auto context = platform::BitmapContext::create(static_cast<int>(w), static_cast<int>(h));
    if (!context) {
        return std::nullopt;
    }
    // The context counts y upward: each turn maps the stored pixels onto the upright box.
    constexpr float quarter = std::numbers::pi_v<float> / 2.0f;
    float drawWidth = w;
    float drawHeight = h;
    switch (picture.orientation()) {
    case platform::Picture::Right:
        context->concatCTM(platform::AffineTransform::makeTranslation(-h, 0.0f).concat(
            platform::AffineTransform::makeRotation(-quarter)));
        drawWidth = h;
        drawHeight = w;
        break;
    case platform::Picture::Left:
        context->concatCTM(platform::AffineTransform::makeTranslation(0.0f, -w).concat(
            platform::AffineTransform::makeRotation(quarter)));
        drawWidth = h;
        drawHeight = w;
        break;
    case platform::Picture::Down:
        context->concatCTM(platform::AffineTransform::makeTranslation(-w, -h).concat(
            {-1.0f, 0.0f, 0.0f, -1.0f, 0.0f, 0.0f}));
        break;
    default:
        // Upright and the mirrored orientations are drawn as stored.
        break;
    }
    context->drawPicture(picture, {0.0f, 0.0f, drawWidth, drawHeight});
    return context->makePicture();
}
