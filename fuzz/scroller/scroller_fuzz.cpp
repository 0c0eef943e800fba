// Any bytes as the scroller text, scrolled through and drawn on a headless display with the show's
// font: every row must be a piece of the text, cut to the line buffer, and drawing it must stay
// within its bounds.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "effects/end_scroller.h"
#include "effects/text_overlay.h"
#include "gfxutil/display_device.h"

namespace {

tavrin::DisplayDevice& Display() {
    static tavrin::DisplayDevice* display = [] {
        auto* created = new tavrin::DisplayDevice(nullptr, 800, 600, true);
        if (!created->device) std::abort();  // no headless display: nothing could be fuzzed
        tavrin::TextOverlay::Init(created->device, "Courier New");
        return created;
    }();
    return *display;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("EGL_PLATFORM", "surfaceless", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tavrin::DisplayDevice& display = Display();
    // The text lives in its own allocation, so a read past its end is caught.
    const std::unique_ptr<uint8_t[]> text(new uint8_t[size]);
    std::copy(data, data + size, text.get());
    tavrin::EndScroller scroller(&display, text.get(), size);
    std::vector<tavrin::EndScroller::Row> rows(static_cast<size_t>(scroller.LinesOnScreen()));
    // From before the first line until the screen has scrolled past 40 lines, a frame per 2.5
    // lines.
    for (int frame = 0; frame < 24; ++frame) {
        display.device->BeginScene();
        scroller.Render(frame == 0 ? 0.016 : 2.5);
        display.device->EndScene();
        const int count = scroller.LayOutRows(rows.data());
        if (count < 0 || count > scroller.LinesOnScreen()) std::abort();
        for (int i = 0; i < count; ++i) {
            const auto& line = rows[static_cast<size_t>(i)].line;
            const auto* begin = reinterpret_cast<const uint8_t*>(line.data());
            if (line.size() >= tavrin::EndScroller::kLineBufferSize || begin < text.get() ||
                begin + line.size() > text.get() + size) {
                std::abort();
            }
        }
    }
    display.device->Present(nullptr, nullptr, nullptr, nullptr);
    return 0;
}
