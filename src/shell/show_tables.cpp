#include "shell/show_tables.h"

namespace tavrin {

const std::array<FlashCue, 14> kShowFlashCues = {{
    {0.0f, 0.0f, 1.0f, 0x000000},
    {4.6f, 0.23f, 1.0f, 0x000000},
    {7.85f, -2.0f, 0.01f, 0xFFFFFF},
    {8.35f, 1.0f, 1.0f, 0xFFFFFF},
    {24.5f, 0.2f, 1.0f, 0xFFFFFF},
    {40.7f, -10.0f, 0.01f, 0xFFFFFF},
    {40.8f, 0.2f, 1.0f, 0xFFFFFF},
    {57.0f, 4.0f, 1.0f, 0x000000},
    {81.0f, -0.5f, 0.01f, 0x000000},
    {86.0f, 2.0f, 1.0f, 0x000000},
    {170.9f, -10.0f, 0.01f, 0x000000},
    {171.0f, 0.5f, 1.0f, 0x000000},
    {172.0f, 0.0f, 0.5f, 0x000000},
    {999999.0f, 1.0f, 1.0f, 0x00FF00},
}};

ShowCaptionTable MakeShowCaptions() {
    return {{
        {8.0f, 400, 100, "", 0x00FFFFFF, 2.0f, 1.0f, 6.0f},
        {99999.0f, 0, 0, "", 0, 0.0f, 0.0f, 0.0f},
    }};
}

}  // namespace tavrin
