#pragma once
// The 400 x 300 pictures the menu previews (the screenshot capture, a snapshot slot's
// picture) as textures of the window's renderer. Their 12-bit 0RGB colours are SDL's
// XRGB4444 pixels, uploaded as they are.
#include <cstdint>

enum PreviewTexture { PREVIEW_CAPTURE, PREVIEW_SLOT, PREVIEW_COUNT };

// The texture holding `picture` (uploaded on every call), as Dear ImGui's texture id;
// null when the renderer cannot make it.
void* previewTexture(PreviewTexture which, const uint16_t* picture);
// Frees the textures (the renderer is going away or lost them); they are made again
// when next asked for.
void releasePreviewTextures();
