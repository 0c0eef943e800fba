#include "effects/text_overlay.h"

#include <cstdarg>
#include <cstdio>
#include <memory>

namespace tavrin {

namespace {

std::unique_ptr<FontHandle> fontHandle;
std::unique_ptr<DeviceFont> deviceFont;

}  // namespace

void TextOverlay::Init(IDirect3DDevice8* device, const char* faceName) {
    fontHandle = FontHandle::Create(kCellHeight, kWeightBold, true, faceName);
    if (fontHandle != nullptr && device != nullptr) {
        deviceFont = DeviceFont::Create(device, *fontHandle);
    }
}

void TextOverlay::Shutdown() {
    deviceFont.reset();
    fontHandle.reset();
}

void TextOverlay::Print(int x, int y, const char* text, uint32_t colour) {
    if (deviceFont == nullptr) return;
    RECT rect{x, y, 0, 0};
    deviceFont->Begin();
    deviceFont->DrawText(text, -1, &rect, DT_CALCRECT, colour);
    deviceFont->DrawText(text, -1, &rect, DT_LEFT | DT_TOP, colour);
    deviceFont->End();
}

void TextOverlay::Printf(int x, int y, const char* format, uint32_t colour, ...) {
    if (deviceFont == nullptr) return;
    char buffer[256];
    va_list arguments;
    va_start(arguments, colour);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    Print(x, y, buffer, colour);
}

void TextOverlay::PrintCharacterSet() {
    char all[kGlyphCount + 1];
    for (int i = 0; i < kGlyphCount; ++i) all[i] = static_cast<char>(kFirstGlyphByte + i);
    all[kGlyphCount] = '\0';
    Print(0, 0, all, 0xFF00FF00);
}

DeviceFont* TextOverlay::Font() {
    return deviceFont.get();
}

}  // namespace tavrin
