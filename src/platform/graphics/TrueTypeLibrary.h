#pragma once

#include <SDL_ttf.h>
#include <string>

namespace platform {

// The SDL2_ttf entry points fonts and the status bar draw text with. The library (and
// SDL2 with its audio and window-system libraries behind it) is opened the first time
// text is measured or drawn, so that runs which never show text never load it.
struct TrueTypeLibrary {
    decltype(&TTF_WasInit) wasInit;
    decltype(&TTF_Init) init;
    decltype(&SDL_GetError) getError;
    decltype(&TTF_OpenFontIndex) openFontIndex;
    decltype(&TTF_CloseFont) closeFont;
    decltype(&TTF_SetFontHinting) setFontHinting;
    decltype(&TTF_FontHeight) fontHeight;
    decltype(&TTF_SizeUTF8) sizeUTF8;
    decltype(&TTF_SetFontWrappedAlign) setFontWrappedAlign;
    decltype(&TTF_RenderUTF8_Blended) renderBlended;
    decltype(&TTF_RenderUTF8_Blended_Wrapped) renderBlendedWrapped;
    decltype(&SDL_LockSurface) lockSurface;
    decltype(&SDL_UnlockSurface) unlockSurface;
    decltype(&SDL_FreeSurface) freeSurface;

    // The library, opened and initialised on the first call; nullptr when it cannot be
    // loaded or initialised (`error`, when given, then says why in one line).
    static const TrueTypeLibrary* get(std::string* error = nullptr);
};

} // namespace platform
