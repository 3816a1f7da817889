#include "host/preview_textures.h"

#include <SDL.h>

#include "host/sdl_display.h"
#include "media/screenshot.h"

static SDL_Texture* textures[PREVIEW_COUNT];

void* previewTexture(PreviewTexture which, const uint16_t* picture) {
    SDL_Texture*& t = textures[which];
    if (!t)
        t = SDL_CreateTexture(mainRenderer(), SDL_PIXELFORMAT_RGB444, SDL_TEXTUREACCESS_STREAMING, CAPTURE_WIDTH,
                              CAPTURE_HEIGHT);
    if (t) SDL_UpdateTexture(t, nullptr, picture, CAPTURE_WIDTH * sizeof *picture);
    return t;
}

void releasePreviewTextures() {
    for (SDL_Texture*& t : textures) {
        if (t) SDL_DestroyTexture(t);
        t = nullptr;
    }
}
