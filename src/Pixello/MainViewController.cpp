#include "Pixello/MainViewController.h"

#include "Pixello/PixelloKernel.h"
#include "platform/Color.h"

#include <algorithm>

platform::Rect MainViewController::initialCropRect(platform::Size size) {
    const float third = std::min(size.width, size.height) / 3.0f;
    const float m = third < 15.0f ? third : 15.0f;
    return {m, m, size.width - 2.0f * m, size.height - 2.0f * m};
}

void MainViewController::loadView() {
    PixelloModel& model = *kernel_->model();
    auto root = std::make_shared<platform::View>(viewFrame());
    root->setBackgroundColor(platform::Color::black());
    setView(root);

    const std::optional<platform::Picture> picture = model.image();
    const platform::Size size = picture ? picture->size() : platform::Size{};
    // Without a picture the view still needs a drawable; it takes the picture's size as soon
    // as one arrives.
    glView_ = GLView::create({0.0f, 0.0f, std::max(size.width, 1.0f), std::max(size.height, 1.0f)});
    if (glView_) {
        if (const platform::PixelBuffer& data = model.dataRef(); data && picture) {
            glView_->loadSpriteData(data, size.width, size.height);
            model.setDataRef(nullptr);
        } else {
            glView_->loadSpriteImage(picture ? &*picture : nullptr);
        }
        glView_->setGrid(model.grid());
        glView_->setMultipleTouchEnabled(true);
    }

    // The picture area lies between the two toolbars, overlapping each by a point.
    const float top = kToolbarHeight;
    const float bottom = kToolbarHeight;
    const float viewHeight = root->bounds().height();
    const platform::Rect surfaceFrame(0.0f, top - 1.0f, root->bounds().width(),
                                      1.0f + viewHeight - top - bottom);
    const platform::Size contentSize = glView_ ? glView_->bounds().size : platform::Size{};
    scrollView_ = std::make_shared<ZVKScrollView>(surfaceFrame, contentSize);
    scrollView_->setBackgroundColor(platform::Color::black());
    scrollView_->setDelegate(this);
    // Strokes are reported while the finger moves.
    scrollView_->setSendMessagesAfterReleasingOnly(false);
    scrollView_->setMaxTouches(kMaxTouches);
    scrollView_->setOptimizeTouches(false);
    scrollView_->setMinZoom(kMinZoom);
    scrollView_->setMaxZoom(kMaxZoom);
    if (glView_) {
        scrollView_->addSubview(glView_);
    }
    root->addSubview(scrollView_);

    auto indicator = std::make_shared<platform::View>(indicatorFrame());
    indicator_ = indicator.get();
    root->addSubview(std::move(indicator));

    if (picture) {
        model.setCropRect(initialCropRect(size));
    }
    modelPropertyChanged("history");
    modelPropertyChanged("visibleToolbar");
    modelPropertyChanged("effect");
    if (glView_) {
        glView_->drawView();
    }
}

void MainViewController::modelPropertyChanged(const std::string& name) {
    if (name == "image") {
        imageChanged();
    } else if (name == "grid") {
        gridChanged();
    }
}

void MainViewController::imageChanged() {
    PixelloModel& model = *kernel_->model();
    const std::optional<platform::Picture> picture = model.image();
    // A history whose file is gone has no picture: the screen keeps what it shows.
    if (!picture || !glView_) {
        return;
    }
    const platform::Size size = picture->size();
    model.setCropRect(initialCropRect(size));
    if (const platform::PixelBuffer& data = model.dataRef()) {
        glView_->loadSpriteData(data, size.width, size.height);
        // The texture holds the pixels now; the model lets go of them.
        model.setDataRef(nullptr);
    } else {
        glView_->loadSpriteImage(&*picture);
    }
    glView_->resize({0.0f, 0.0f, size.width, size.height});
    model.grid()->rehandle();
    if (model.shouldDraw()) {
        glView_->drawView();
    }
    model.setShouldDraw(true);
    scrollView_->resizeContent(glView_->bounds().size);
}

void MainViewController::gridChanged() {
    if (!glView_) {
        return;
    }
    glView_->setGrid(kernel_->model()->grid());
    glView_->drawView();
}
