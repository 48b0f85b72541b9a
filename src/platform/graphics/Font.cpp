#include "platform/graphics/Font.h"

#include "platform/graphics/TrueTypeLibrary.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fontconfig/fontconfig.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define PIXELLO_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PIXELLO_LEAK_CHECKED 1
#endif
#endif

#if defined(PIXELLO_LEAK_CHECKED)
#include <sanitizer/lsan_interface.h>

// fontconfig loses a few bytes, once per process, while it parses the system's
// configuration in FcInit, and so does the D-Bus connection SDL opens for a window; x265,
// which makes the HEIF pictures of the tests, keeps some of every encoder's allocations.
// Sanitizer builds are not to fail on the libraries' leaks. One definition for every
// program, since each of them links this library.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n"
           "leak:libx265.so\n";
}
#endif

namespace platform {

namespace {

// Style words a font name may end with, as PostScript names and menus spell them.
struct StyleWord {
    std::string_view word;
    int weight; // -1: leaves the weight alone
    int slant;  // -1: leaves the slant alone
};
constexpr StyleWord kStyleWords[] = {
    {"bold", FC_WEIGHT_BOLD, -1},
    {"semibold", FC_WEIGHT_DEMIBOLD, -1},
    {"demibold", FC_WEIGHT_DEMIBOLD, -1},
    {"medium", FC_WEIGHT_MEDIUM, -1},
    {"light", FC_WEIGHT_LIGHT, -1},
    {"extralight", FC_WEIGHT_EXTRALIGHT, -1},
    {"black", FC_WEIGHT_BLACK, -1},
    {"heavy", FC_WEIGHT_HEAVY, -1},
    {"regular", FC_WEIGHT_REGULAR, -1},
    {"book", FC_WEIGHT_BOOK, -1},
    {"roman", -1, FC_SLANT_ROMAN},
    {"italic", -1, FC_SLANT_ITALIC},
    {"oblique", -1, FC_SLANT_OBLIQUE},
    {"bolditalic", FC_WEIGHT_BOLD, FC_SLANT_ITALIC},
    {"boldoblique", FC_WEIGHT_BOLD, FC_SLANT_OBLIQUE},
};

std::string lower(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return result;
}

struct Match {
    std::filesystem::path file;
    int index = 0;
    std::vector<std::string> families;
    int weight = FC_WEIGHT_REGULAR;
};

// fontconfig's best font for `pattern`, which it takes over.
std::optional<Match> bestMatch(FcPattern* pattern) {
    if (pattern == nullptr) {
        return std::nullopt;
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (found == nullptr) {
        return std::nullopt;
    }
    std::optional<Match> match;
    FcChar8* file = nullptr;
    if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
        match.emplace();
        match->file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(found, FC_INDEX, 0, &match->index);
        FcPatternGetInteger(found, FC_WEIGHT, 0, &match->weight);
        FcChar8* family = nullptr;
        for (int i = 0; FcPatternGetString(found, FC_FAMILY, i, &family) == FcResultMatch; ++i) {
            match->families.emplace_back(reinterpret_cast<const char*>(family));
        }
    }
    FcPatternDestroy(found);
    return match;
}

FcPattern* familyPattern(const std::string& family, int weight, int slant) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    if (weight >= 0) {
        FcPatternAddInteger(pattern, FC_WEIGHT, weight);
    }
    if (slant >= 0) {
        FcPatternAddInteger(pattern, FC_SLANT, slant);
    }
    return pattern;
}

bool hasFamily(const Match& match, const std::string& family) {
    const std::string wanted = lower(family);
    return std::any_of(match.families.begin(), match.families.end(),
                       [&](const std::string& f) { return lower(f) == wanted; });
}

std::optional<Match> resolve(std::string_view name) {
    if (!FcInit()) {
        return std::nullopt;
    }
    const std::string text(name);
    if (text.find(':') != std::string::npos) {
        return bestMatch(FcNameParse(reinterpret_cast<const FcChar8*>(text.c_str())));
    }
    // "Helvetica-Bold": the hyphen of PostScript names separates the style.
    std::string spaced = text;
    std::replace(spaced.begin(), spaced.end(), '-', ' ');
    std::optional<Match> whole = bestMatch(familyPattern(spaced, -1, -1));
    if (whole && hasFamily(*whole, spaced)) {
        return whole; // "DejaVu Sans Light" is itself a family name
    }
    std::vector<std::string> words;
    for (std::size_t at = 0; at < spaced.size();) {
        const std::size_t end = std::min(spaced.find(' ', at), spaced.size());
        if (end > at) {
            words.push_back(spaced.substr(at, end - at));
        }
        at = end + 1;
    }
    int weight = -1;
    int slant = -1;
    bool styled = false;
    while (words.size() > 1) {
        const std::string word = lower(words.back());
        const auto style = std::find_if(std::begin(kStyleWords), std::end(kStyleWords),
                                        [&](const StyleWord& s) { return s.word == word; });
        if (style == std::end(kStyleWords)) {
            break;
        }
        weight = style->weight >= 0 ? style->weight : weight;
        slant = style->slant >= 0 ? style->slant : slant;
        styled = true;
        words.pop_back();
    }
    if (!styled) {
        return whole;
    }
    std::string family = words.front();
    for (std::size_t i = 1; i < words.size(); ++i) {
        family += " " + words[i];
    }
    return bestMatch(familyPattern(family, weight, slant));
}

// SDL_ttf's blended text is straight ARGB; pictures are premultiplied RGBA.
std::optional<Picture> toPicture(const TrueTypeLibrary& ttf, SDL_Surface* surface, float alpha) {
    if (surface == nullptr) {
        return std::nullopt;
    }
    std::optional<Picture> picture;
    if (surface->format->format == SDL_PIXELFORMAT_ARGB8888 && surface->w > 0 && surface->h > 0) {
        const auto w = static_cast<std::size_t>(surface->w);
        const auto h = static_cast<std::size_t>(surface->h);
        auto bytes = std::make_shared<PixelBytes>(w * h * 4);
        ttf.lockSurface(surface);
        for (std::size_t y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(
                static_cast<const std::uint8_t*>(surface->pixels) +
                y * static_cast<std::size_t>(surface->pitch));
            std::uint8_t* out = bytes->data() + y * w * 4;
            for (std::size_t x = 0; x < w; ++x) {
                const std::uint32_t p = row[x];
                const float a = static_cast<float>(p >> 24) * alpha;
                const auto premultiply = [a](std::uint32_t c) {
                    return static_cast<std::uint8_t>(
                        std::lround(static_cast<float>(c & 0xFFu) * a / 255.0f));
                };
                out[x * 4 + 0] = premultiply(p >> 16);
                out[x * 4 + 1] = premultiply(p >> 8);
                out[x * 4 + 2] = premultiply(p);
                out[x * 4 + 3] = static_cast<std::uint8_t>(std::lround(a));
            }
        }
        ttf.unlockSurface(surface);
        picture = Picture::create(std::move(bytes), surface->w, surface->h);
    }
    ttf.freeSurface(surface);
    return picture;
}

std::uint8_t channel(float value) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

} // namespace

Font::Font(std::string name, float size) : name_(std::move(name)), size_(size) {}

Font::~Font() {
    // Faces exist only once the library was loaded.
    if (const TrueTypeLibrary* ttf = faces_.empty() ? nullptr : TrueTypeLibrary::get()) {
        for (auto& [scale, face] : faces_) {
            if (face != nullptr) {
                ttf->closeFont(face);
            }
        }
    }
}

std::shared_ptr<const Font> Font::fontWithName(std::string_view name, float size) {
    // fontconfig is asked only when the font is first measured, drawn or inspected:
    // reading its configuration costs more than building a whole screen.
    return std::shared_ptr<Font>(
        new Font(std::string(name), std::isfinite(size) && size > 0.0f ? size : 12.0f));
}

const Font::Resolved& Font::resolved() const {
    if (!resolved_) {
        // Built whole and moved in: clang cannot yet default-construct a nested class
        // with member initialisers inside std::optional here.
        resolved_.emplace(Resolved{});
        if (const auto match = resolve(name_)) {
            resolved_->file = match->file;
            resolved_->index = match->index;
            resolved_->family = match->families.empty() ? std::string() : match->families.front();
            resolved_->bold = match->weight >= FC_WEIGHT_DEMIBOLD;
        }
    }
    return *resolved_;
}

std::shared_ptr<const Font> Font::systemFontOfSize(float size) {
    return fontWithName("sans-serif", size);
}

std::shared_ptr<const Font> Font::boldSystemFontOfSize(float size) {
    return fontWithName("sans-serif:bold", size);
}

TTF_Font* Font::face(int scale) const {
    scale = std::clamp(scale, 1, 8);
    if (const auto it = faces_.find(scale); it != faces_.end()) {
        return it->second;
    }
    TTF_Font* face = nullptr;
    const Resolved& font = resolved();
    const TrueTypeLibrary* ttf = font.file.empty() ? nullptr : TrueTypeLibrary::get();
    if (ttf != nullptr) {
        // At SDL_ttf's 72 dots an inch one point of size is one pixel.
        const int pixels = std::max(1, static_cast<int>(std::lround(size_ * scale)));
        face = ttf->openFontIndex(font.file.c_str(), pixels, font.index);
        if (face != nullptr) {
            ttf->setFontHinting(face, TTF_HINTING_LIGHT);
        }
    }
    // A face that can not be opened is remembered as such, so it is tried once.
    faces_.emplace(scale, face);
    return face;
}

float Font::lineHeight(int scale) const {
    TTF_Font* f = face(scale);
    if (f == nullptr) {
        return size_;
    }
    return static_cast<float>(TrueTypeLibrary::get()->fontHeight(f)) /
           static_cast<float>(std::clamp(scale, 1, 8));
}

Size Font::sizeWithText(std::string_view text, int scale, float wrapWidth) const {
    if (wrapWidth > 0.0f) {
        // SDL_ttf measures wrapped text only by rendering it.
        const auto picture = render(text, Color::white(), scale, wrapWidth);
        const auto s = static_cast<float>(std::clamp(scale, 1, 8));
        return picture ? Size{static_cast<float>(picture->width()) / s,
                              static_cast<float>(picture->height()) / s}
                       : Size{};
    }
    TTF_Font* f = face(scale);
    if (f == nullptr || text.empty()) {
        return {0.0f, f == nullptr ? 0.0f : lineHeight(scale)};
    }
    const std::string copy(text);
    int w = 0;
    int h = 0;
    if (TrueTypeLibrary::get()->sizeUTF8(f, copy.c_str(), &w, &h) != 0) {
        return {};
    }
    const auto s = static_cast<float>(std::clamp(scale, 1, 8));
    return {static_cast<float>(w) / s, static_cast<float>(h) / s};
}

std::optional<Picture> Font::render(std::string_view text, Color color, int scale, float wrapWidth,
                                    int alignment) const {
    TTF_Font* f = face(scale);
    if (f == nullptr || text.empty()) {
        return std::nullopt;
    }
    const TrueTypeLibrary& ttf = *TrueTypeLibrary::get();
    const std::string copy(text);
    const SDL_Color ink{channel(color.red), channel(color.green), channel(color.blue), 255};
    SDL_Surface* surface = nullptr;
    if (wrapWidth > 0.0f) {
        const auto pixels =
            static_cast<Uint32>(std::max(1.0f, wrapWidth * std::clamp(scale, 1, 8)));
        ttf.setFontWrappedAlign(f, alignment == 0   ? TTF_WRAPPED_ALIGN_LEFT
                                   : alignment == 2 ? TTF_WRAPPED_ALIGN_RIGHT
                                                    : TTF_WRAPPED_ALIGN_CENTER);
        surface = ttf.renderBlendedWrapped(f, copy.c_str(), ink, pixels);
    } else {
        surface = ttf.renderBlended(f, copy.c_str(), ink);
    }
    return toPicture(ttf, surface, std::clamp(color.alpha, 0.0f, 1.0f));
}

std::string Font::truncated(std::string_view text, float width, int scale) const {
    if (sizeWithText(text, scale).width <= width) {
        return std::string(text);
    }
    static constexpr std::string_view kEllipsis = "\xE2\x80\xA6";
    // Cut only between UTF-8 sequences.
    std::vector<std::size_t> cuts;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0u) != 0x80u) {
            cuts.push_back(i);
        }
    }
    std::size_t fits = 0; // index into cuts of the longest start that fits
    std::size_t low = 0;
    std::size_t high = cuts.size();
    while (low < high) {
        const std::size_t mid = (low + high + 1) / 2;
        std::string candidate(text.substr(0, mid < cuts.size() ? cuts[mid] : text.size()));
        candidate += kEllipsis;
        if (sizeWithText(candidate, scale).width <= width) {
            fits = mid;
            low = mid;
        } else {
            high = mid - 1;
        }
    }
    std::string result(text.substr(0, fits < cuts.size() ? cuts[fits] : text.size()));
    while (!result.empty() && result.back() == ' ') {
        result.pop_back();
    }
    return result + std::string(kEllipsis);
}

} // namespace platform
