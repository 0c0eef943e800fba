#include "effects/end_scroller.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "effects/text_overlay.h"
#include "gfxutil/display_device.h"
#include "gfxutil/font_layout.h"

namespace tavrin {

EndScroller::EndScroller(DisplayDevice* display, const uint8_t* text0, size_t size)
    : Effect(display),
      text(text0),
      textSize(text0 ? size : 0),
      linesOnScreen(display ? std::max(0, display->height / 30 - 1) : 0),
      rowBuffer(static_cast<size_t>(linesOnScreen)) {}

bool EndScroller::AtEndOfText(size_t position) const {
    if (position >= textSize) return true;  // a text without its marker ends here instead
    const size_t left = textSize - position;
    return left >= kMarker.size() &&
           std::memcmp(text + position, kMarker.data(), kMarker.size()) == 0;
}

size_t EndScroller::NextLine(size_t position) const {
    const void* lf = std::memchr(text + position, '\n', textSize - position);
    return lf ? static_cast<size_t>(static_cast<const uint8_t*>(lf) - text) + 1 : textSize;
}

int EndScroller::LayOutRows(Row* rows) const {
    float whole;
    const float fraction = std::modf(scrollPosition, &whole);
    const int first = static_cast<int>(whole);
    const int y0 = static_cast<int>((1.0f - fraction) * static_cast<float>(lineHeight));

    size_t position = 0;
    for (int skipped = 0; skipped < first && !AtEndOfText(position); ++skipped) {
        position = NextLine(position);
    }

    const float span = static_cast<float>(device->height - lineHeight);
    int count = 0;
    for (int r = 0; r < linesOnScreen; ++r) {
        const int y = y0 + r * lineHeight;
        if (r + first <= 0) continue;
        if (AtEndOfText(position)) break;
        const size_t next = NextLine(position);
        size_t length = next - position;
        if (length > 0 && text[next - 1] == '\n') --length;
        length = std::min(length, kLineBufferSize - 1);

        const float centred = 2.0f * (static_cast<float>(y) / span - 0.5f);
        const float alpha = std::max(0.0f, 1.0f - centred * centred);
        const D3DCOLOR colour = (static_cast<D3DCOLOR>(alpha * 255.0f) << 24) | 0x00FFFFFFu;
        rows[count++] = {y, colour,
                         std::string_view(reinterpret_cast<const char*>(text + position), length)};
        position = next;
    }
    return count;
}

void EndScroller::DrawRow(DeviceFont& font, const Row& row) const {
    char line[kLineBufferSize];
    std::memcpy(line, row.line.data(), row.line.size());
    line[row.line.size()] = '\0';
    RECT rect{0, row.y, device->width, row.y + lineHeight};
    font.Begin();
    font.DrawText(line, -1, &rect, DT_CENTER, row.colour);
    font.End();
}

void EndScroller::Render(double frameSeconds) {
    scrollPosition += scrollSpeed * static_cast<float>(frameSeconds);
    if (!device || !device->device) return;

    IDirect3DDevice8* d3d = device->device;
    d3d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d3d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d3d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d3d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d3d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d3d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);

    DeviceFont* font = TextOverlay::Font();
    if (!font) return;
    const int count = LayOutRows(rowBuffer.data());
    for (int i = 0; i < count; ++i) DrawRow(*font, rowBuffer[static_cast<size_t>(i)]);
}

}  // namespace tavrin
