#include "Pixello/FullResolution.h"

#include "Pixello/EditHistory.h"
#include "Pixello/MeshReplay.h"
#include "Pixello/PixelloKernel.h"
#include "Pixello/PixelloModel.h"
#include "platform/base/FileSystem.h"
#include "platform/gl/GLContext.h"
#include "platform/gl/HeadlessGLContext.h"
#include "platform/graphics/PictureCodec.h"

#include <algorithm>

bool FullResolution::hasSource(const PixelloModel& model) {
    const std::filesystem::path images = model.directoryForImages();
    const auto& names = model.imageFileNames();
    return std::any_of(names.begin(), names.end(), [&](const std::string& name) {
        return platform::exists(images / EditHistory::sourceFileName(name));
    });
}

namespace {

// The original decoded upright to fit `box`, as a picked picture is converted.
std::expected<platform::Picture, platform::Error> decodeSource(const std::filesystem::path& path,
                                                               platform::Size box) {
    const auto decoded = platform::PictureCodec::decodeFileToFit(path, box);
    if (!decoded) {
        return platform::failure("the original picture cannot be read: " + decoded.error().message);
    }
    const platform::Size fitted =
        PixelloKernel::fittedSize(decoded->fullSize, box.width, box.height);
    // A picture stored upright at its full size needs no second copy drawn upright.
    if (decoded->picture.orientation() == platform::Picture::Up &&
        decoded->picture.size() == fitted) {
        return decoded->picture;
    }
    auto upright = PixelloKernel::convertImageToPNG(*decoded, box.width, box.height);
    if (!upright) {
        return platform::failure("there is not enough memory for the original picture");
    }
    return std::move(*upright);
}

} // namespace

std::expected<platform::Picture, platform::Error> FullResolution::renderEntry(
    const std::filesystem::path& images, const std::vector<std::string>& entries,
    const std::string& target, const std::string& cachedEntry,
    const std::optional<platform::Picture>& cached, const platform::FramebufferFunctions& fbo,
    int tileLimit, platform::Size box) {
    const auto plan =
        EditHistory::plan(images, entries, target, cached ? cachedEntry : std::string());
    if (!plan) {
        return std::unexpected(plan.error());
    }
    MeshReplay replay(fbo, tileLimit);
    if (plan->sourceEntry.empty()) {
        return replay.run(*cached, plan->steps);
    }
    auto start = decodeSource(images / EditHistory::sourceFileName(plan->sourceEntry), box);
    if (!start) {
        return start;
    }
    return replay.run(std::move(*start), plan->steps);
}

void FullResolution::keep(const std::string& entry,
                          const std::expected<platform::Picture, platform::Error>& picture) {
    if (picture) {
        cachedEntry_ = entry;
        cached_ = *picture;
    }
}

namespace {

struct Request {
    std::filesystem::path images;
    std::vector<std::string> entries;
    std::string target;
};

std::optional<Request> requestFor(const PixelloModel& model) {
    const auto& names = model.imageFileNames();
    if (model.currentImage() < 0 ||
        static_cast<std::size_t>(model.currentImage()) >= names.size()) {
        return std::nullopt;
    }
    return Request{model.directoryForImages(), names,
                   names[static_cast<std::size_t>(model.currentImage())]};
}

} // namespace

std::expected<platform::Picture, platform::Error>
FullResolution::render(const PixelloModel& model) {
    const auto request = requestFor(model);
    if (!request) {
        return platform::failure("there is no current picture");
    }
    platform::GLContext* context = platform::GLContext::shared();
    if (context == nullptr || !context->makeCurrent()) {
        return platform::failure("there is no GL context to draw with");
    }
    auto picture = renderEntry(request->images, request->entries, request->target, cachedEntry_,
                               cached_, context->fbo(), tileLimit_);
    keep(request->target, picture);
    return picture;
}

void FullResolution::renderInBackground(const PixelloModel& model, Completion completion) {
    if (queue_ == nullptr) {
        completion(render(model));
        return;
    }
    auto request = requestFor(model);
    if (!request) {
        completion(platform::failure("there is no current picture"));
        return;
    }
    queue_->submit(this, 0,
                   [request = std::move(*request), cachedEntry = cachedEntry_, cached = cached_,
                    tileLimit = tileLimit_, alive = std::weak_ptr(alive_), this,
                    completion = std::move(completion)]() -> platform::RunLoop::Call {
                       // A context of the worker's own: the main thread keeps drawing with the
                       // shared one.
                       auto context = platform::HeadlessGLContext::create();
                       std::expected<platform::Picture, platform::Error> picture =
                           context ? renderEntry(request.images, request.entries, request.target,
                                                 cachedEntry, cached, (*context)->fbo(), tileLimit)
                                   : std::unexpected(context.error());
                       context = platform::failure("released on the worker");
                       return [alive, this, target = request.target, picture = std::move(picture),
                               completion] {
                           if (!alive.expired()) {
                               keep(target, picture);
                               completion(picture);
                           }
                       };
                   });
}
