#include "host/host_messages.h"

#include <SDL.h>

#include <cstdio>

#include "host/sdl_display.h"

static Uint32 iconFlag(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error: return SDL_MESSAGEBOX_ERROR;
    case MessageIcon::Warning: return SDL_MESSAGEBOX_WARNING;
    case MessageIcon::Information: break;
    }
    return SDL_MESSAGEBOX_INFORMATION;
}

void showMessageBox(const char* caption, const char* text, MessageIcon icon) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    SDL_ShowSimpleMessageBox(iconFlag(icon), caption, text, mainWindow());
}

bool askYesNo(const char* caption, const char* text) {
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
    };
    SDL_MessageBoxData box = {SDL_MESSAGEBOX_INFORMATION, mainWindow(), caption, text, 2, buttons, nullptr};
    int answer = 0;
    if (SDL_ShowMessageBox(&box, &answer) != 0) {
        std::fprintf(stderr, "%s: %s (no answer possible: %s)\n", caption, text, SDL_GetError());
        return false;
    }
    return answer == 1;
}
