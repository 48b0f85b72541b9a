#include "platform/media/ThumbnailCache.h"

#include "platform/base/AffineTransform.h"
#include "platform/base/Assert.h"
#include "platform/base/Bundle.h"
#include "platform/base/FileSystem.h"
#include "platform/base/Paths.h"
#include "platform/graphics/BitmapContext.h"
#include "platform/graphics/PictureCodec.h"
#include "platform/graphics/PngText.h"
#include "platform/media/PosixFiles.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

constexpr const char* kUriKey = "Thumb::URI";
constexpr const char* kMTimeKey = "Thumb::MTime";
// The cache's folders are the user's alone.
constexpr mode_t kFolderMode = 0700;

std::string lowerHex(const unsigned char* bytes, unsigned int length) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += digits[bytes[i] >> 4];
        hex += digits[bytes[i] & 15];
    }
    return hex;
}

// Whether a cache file was made from the file with this URI as it is now.
bool madeFrom(std::span<const std::uint8_t> png, std::string_view uri, std::int64_t mtime) {
    bool uriMatches = false;
    bool timeMatches = false;
    for (const PngText::Entry& entry : PngText::read(png)) {
        if (entry.keyword == kUriKey) {
            uriMatches = entry.text == uri;
        } else if (entry.keyword == kMTimeKey) {
            std::int64_t value = 0;
            const char* end = entry.text.data() + entry.text.size();
            const auto parsed = std::from_chars(entry.text.data(), end, value);
            timeMatches = parsed.ec == std::errc() && parsed.ptr == end && value == mtime;
        }
    }
    return uriMatches && timeMatches;
}

// Writes `bytes` as `folder/name` through a private temporary file in the same folder
// renamed into place, so that no reader ever sees half a file. The cache only saves work:
// when it cannot be written the thumbnail is still shown, so failures go unreported.
void store(const std::filesystem::path& folder, const std::string& name,
           std::span<const std::uint8_t> bytes) {
    if (posixFiles::makeDirectories(folder, kFolderMode) != 0) {
        return;
    }
    std::string temp = (folder / ("." + name + ".XXXXXX")).string();
    // mkostemp makes the file with mode 0600.
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    bool ok = posixFiles::writeAll(fd, bytes) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), (folder / name).c_str()) != 0) {
        ::unlink(temp.c_str());
    }
}

// The PNG bytes of `picture` signed with where it came from.
std::optional<std::vector<std::uint8_t>> signedPng(const Picture& picture, const std::string& uri,
                                                   std::int64_t mtime,
                                                   const std::string& software) {
    const auto png = PictureCodec::encodePNG(picture);
    if (!png) {
        return std::nullopt;
    }
    const PngText::Entry entries[] = {
        {kUriKey, uri}, {kMTimeKey, std::to_string(mtime)}, {"Software", software}};
    auto withText = PngText::insert(*png, entries);
    return withText ? std::optional(std::move(*withText)) : std::nullopt;
}

// How the stored pixels map onto the upright box W × H, in the bitmap context's y-upward
// coordinates, for a picture drawn into the rectangle of its stored size there.
AffineTransform uprightTransform(int orientation, float W, float H) {
    switch (orientation) {
    case Picture::UpMirrored:
        return {-1.0f, 0.0f, 0.0f, 1.0f, W, 0.0f};
    case Picture::Down:
        return {-1.0f, 0.0f, 0.0f, -1.0f, W, H};
    case Picture::DownMirrored:
        return {1.0f, 0.0f, 0.0f, -1.0f, 0.0f, H};
    case Picture::Left:
        return {0.0f, 1.0f, -1.0f, 0.0f, W, 0.0f};
    case Picture::Right:
        return {0.0f, -1.0f, 1.0f, 0.0f, 0.0f, H};
    case Picture::LeftMirrored:
        return {0.0f, -1.0f, -1.0f, 0.0f, W, H};
    case Picture::RightMirrored:
        return {0.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f};
    default:
        return {};
    }
}

} // namespace

ThumbnailCache::ThumbnailCache(std::filesystem::path directory, BackgroundQueue& queue)
    : queue_(queue) {
    const Bundle& bundle = Bundle::main();
    const std::string name = bundle.infoValue("CFBundleDisplayName").value_or("Pixello");
    const std::string version = bundle.infoValue("CFBundleVersion").value_or("0");
    std::string failName = name;
    std::transform(failName.begin(), failName.end(), failName.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    place_ = std::make_shared<const Place>(Place{directory / "normal",
                                                 directory / "fail" / (failName + "-" + version),
                                                 name + " " + version});
}

ThumbnailCache::~ThumbnailCache() {
    queue_.cancelAll(this);
}

std::filesystem::path ThumbnailCache::sharedDirectory() {
    return Paths::cacheDirectory() / "thumbnails";
}

BackgroundQueue::JobId ThumbnailCache::request(const std::filesystem::path& file, int priority,
                                               Completion completion) {
    // The completion moves on into the call for this thread, so that whatever it holds is
    // let go here and never on a worker.
    return queue_.submit(this, priority,
                         [place = place_, file, alive = std::weak_ptr(alive_),
                          completion = std::move(completion)]() mutable -> RunLoop::Call {
                             return [alive, completion = std::move(completion),
                                     result = make(*place, file)]() mutable {
                                 if (!alive.expired()) {
                                     completion(std::move(result));
                                 }
                             };
                         });
}

bool ThumbnailCache::setPriority(BackgroundQueue::JobId request, int priority) {
    return queue_.setPriority(request, priority);
}

bool ThumbnailCache::cancel(BackgroundQueue::JobId request) {
    return queue_.cancel(request);
}

ThumbnailCache::Result ThumbnailCache::thumbnail(const std::filesystem::path& file) const {
    return make(*place_, file);
}

ThumbnailCache::Result ThumbnailCache::make(const Place& place, const std::filesystem::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        return failure("'" + file.filename().string() + "': " + posixFiles::errorText(errno));
    }
    const std::int64_t mtime = st.st_mtim.tv_sec;
    const std::string uri = uriFor(file);
    const std::string name = fileNameFor(uri);

    if (const auto cached = readFile(place.normal / name);
        cached && madeFrom(*cached, uri, mtime)) {
        if (auto picture = PictureCodec::decode(*cached)) {
            if (auto fitting = reduce(*picture, kMaxSide)) {
                return std::move(*fitting);
            }
        }
    }
    if (const auto failed = readFile(place.fail / name); failed && madeFrom(*failed, uri, mtime)) {
        return failure("'" + file.filename().string() +
                       "' could not be read as a picture and has not changed since");
    }

    // Decoded straight to the thumbnail's box, so a camera photo never lies whole in
    // memory; reduce() takes only the last step.
    constexpr auto side = static_cast<float>(kMaxSide);
    auto decoded = PictureCodec::decodeFileToFit(file, {side, side});
    std::optional<Picture> small = decoded ? reduce(decoded->picture, kMaxSide) : std::nullopt;
    if (!small) {
        // Not for a file that went away meanwhile: there is nothing to remember. Nor for a
        // format this build does not read: the failure folder is named after the version,
        // which need not change when a later build learns the format.
        const bool unknownFormat =
            !decoded && decoded.error().message == decodeFailure::unknownFormat;
        if (!unknownFormat && ::stat(file.c_str(), &st) == 0) {
            const auto nothing = Picture::create(std::make_shared<const PixelBytes>(4, 0), 1, 1);
            if (const auto entry = signedPng(*nothing, uri, mtime, place.software)) {
                store(place.fail, name, *entry);
            }
        }
        return decoded ? failure("the picture could not be reduced")
                       : std::unexpected(std::move(decoded.error()));
    }
    if (const auto png = signedPng(*small, uri, mtime, place.software)) {
        store(place.normal, name, *png);
    }
    return std::move(*small);
}

std::string ThumbnailCache::uriFor(const std::filesystem::path& file) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(file, ec).lexically_normal();
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char c : absolute.string()) {
        const auto byte = static_cast<unsigned char>(c);
        // ASCII only: the locale's idea of a letter does not count here.
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~';
        if (unreserved || c == '/') {
            uri += c;
        } else {
            uri += '%';
            uri += digits[byte >> 4];
            uri += digits[byte & 15];
        }
    }
    return uri;
}

std::string ThumbnailCache::fileNameFor(std::string_view uri) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    const int done = EVP_Digest(uri.data(), uri.size(), digest, &length, EVP_md5(), nullptr);
    PIXELLO_ASSERT(done == 1);
    return lowerHex(digest, length) + ".png";
}

std::optional<Picture> ThumbnailCache::reduce(const Picture& picture, int maxSide) {
    const Size shown = picture.size();
    int width = static_cast<int>(shown.width);
    int height = static_cast<int>(shown.height);
    if (std::max(width, height) > maxSide) {
        const double scale = double(maxSide) / double(std::max(width, height));
        width = std::max(1, static_cast<int>(std::lround(width * scale)));
        height = std::max(1, static_cast<int>(std::lround(height * scale)));
    }
    if (picture.orientation() == Picture::Up && width == picture.width() &&
        height == picture.height()) {
        return picture;
    }
    auto context = BitmapContext::create(width, height);
    if (!context) {
        return std::nullopt;
    }
    const auto W = static_cast<float>(width);
    const auto H = static_cast<float>(height);
    const int o = picture.orientation();
    const bool sideways = o == Picture::Left || o == Picture::Right || o == Picture::LeftMirrored ||
                          o == Picture::RightMirrored;
    context->concatCTM(uprightTransform(o, W, H));
    context->drawPicture(picture, {0.0f, 0.0f, sideways ? H : W, sideways ? W : H});
    return context->makePicture();
}

} // namespace platform
