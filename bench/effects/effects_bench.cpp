// Times the trophy field's polygonisation at the show's two resolutions, serial sampling (the
// baseline) against parallel sampling, and the trophy scene's whole frame on the headless device.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <memory>
#include <vector>

#include "d3d/d3d8.h"
#include "effects/metaball_field.h"
#include "effects/trophy_scene.h"
#include "gfxutil/display_device.h"

namespace tavrin {
namespace {

// Median of `runs` timings, in milliseconds.
double MedianMs(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[runs / 2];
}

std::vector<int> IndexList(const MetaballField& field) {
    return std::vector<int>(field.Indices(), field.Indices() + field.IndexCount());
}

// A pass over the scene as it stands: Animate(0) moves nothing but marks the field as changed, so
// the pass is made rather than kept.
void Repolygonise(TrophyScene& scene) {
    scene.Animate(0.0);
    scene.field->Polygonise();
}

bool BenchPolygonise(TrophyScene& scene, int cells, double goalMs, int runs) {
    MetaballField& field = *scene.field;
    field.SetResolution(cells, cells, cells);
    field.SetSamplingThreads(1);
    field.Polygonise();
    const std::vector<int> serialList = IndexList(field);
    const double serial = MedianMs(runs, [&] { Repolygonise(scene); });
    const int threads = std::max(2u, std::thread::hardware_concurrency());
    field.SetSamplingThreads(threads);
    field.Polygonise();
    const bool identical = IndexList(field) == serialList;
    const double parallel = MedianMs(runs, [&] { Repolygonise(scene); });
    std::printf("Polygonise %2d^3: %6d triangles  serial %7.3f ms  %d threads %7.3f ms  "
                "speed-up %.2fx  goal %.1f ms (%.2fx of goal)  lists %s\n",
                cells, field.TriangleCount(), serial, threads, parallel, serial / parallel, goalMs,
                parallel / goalMs, identical ? "identical" : "DIFFER");
    return identical;
}

void BenchFrame(bool cubeMaps, int frames) {
    DisplayDevice display(nullptr, 800, 600, true);
    if (display.device == nullptr) {
        std::printf("frame: no headless display\n");
        return;
    }
    display.hasCubeMaps = display.hasCubeMaps && cubeMaps;
    TrophyScene scene(&display, nullptr, nullptr, nullptr);
    IDirect3DDevice8* d3d = display.device;
    std::vector<uint32_t> pixel(800 * 600);
    auto frame = [&] {
        d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
        d3d->BeginScene();
        scene.Render(1.0 / 60.0);
        d3d->EndScene();
        d3d->Present(nullptr, nullptr, nullptr, nullptr);
        d3d->ReadBackBuffer(pixel.data(), 800 * 4);  // waits for the frame to finish
    };
    scene.Animate(9.0);  // blob in view
    frame();
    const double whole = MedianMs(frames, frame);
    const double polygonise = MedianMs(frames, [&] { Repolygonise(scene); });
    std::printf("Frame (%s, llvmpipe): %.2f ms (%.0f fps); Polygonise is %.0f%% of it\n",
                display.hasCubeMaps ? "cube map" : "sphere map", whole, 1000.0 / whole,
                100.0 * polygonise / whole);
}

}  // namespace
}  // namespace tavrin

int main() {
    using namespace tavrin;
    TrophyScene scene(nullptr, nullptr, nullptr, nullptr);
    scene.Animate(9.0);  // the blob has risen into the grid
    bool identical = BenchPolygonise(scene, 39, 1.5, 101);
    identical = BenchPolygonise(scene, 79, 10.0, 31) && identical;
    BenchFrame(true, 15);
    BenchFrame(false, 15);
    return identical ? 0 : 1;
}
