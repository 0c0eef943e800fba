#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "d3d/d3dtypes.h"
#include "effects/field_source.h"
#include "effects/vec3.h"

namespace tavrin {

struct DisplayDevice;

// A zeroed array whose memory the system commits page by page as it is first written: a field
// sized for its densest grid holds far more than it usually touches.
struct FreeDeleter {
    void operator()(void* memory) const { std::free(memory); }
};
template <typename T>
using LazyArray = std::unique_ptr<T[], FreeDeleter>;

// The surface vertices on the edges from one grid point to its -x, -y and -z neighbours; each is
// valid only while its edge crosses the surface in the current pass.
struct EdgeVertices {
    int x;
    int y;
    int z;
};

// Also the layout the field is drawn from: D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE.
struct SurfaceVertex {
    Vec3 position;
    Vec3 normal;
    D3DCOLOR colour;
};
static_assert(sizeof(SurfaceVertex) == 28);

// The iso-surface (value 0) of a FieldSource over a regular grid, by marching cubes, drawn as one
// lit, coloured triangle list. Every array is sized once by the construction resolution; later
// resolutions reuse a prefix of the samples.
class MetaballField {
public:
    // The grid has nx x ny x nz cells over the box [origin, origin + extent]. A null device leaves
    // a field that polygonises but never draws.
    MetaballField(DisplayDevice* device, int nx, int ny, int nz, const Vec3& origin, float extentX,
                  float extentY, float extentZ, FieldSource* source);
    ~MetaballField();
    MetaballField(const MetaballField&) = delete;
    MetaballField& operator=(const MetaballField&) = delete;

    // Refused (false, nothing changes) when the grid would need more samples than were allocated.
    // The current triangles stay drawable until the next Polygonise.
    bool SetResolution(int cx, int cy, int cz);

    // One marching-cubes pass over the whole grid. When the grid, the normal mode and the source's
    // revision are those of the last pass, that pass's triangles stand: a pass would repeat them.
    void Polygonise();

    // Draws the last pass's triangles with the caller's transforms and states; false (and nothing
    // drawn) before the first Polygonise or without a device.
    bool Render();

    // Samples the field on this many threads (at most 8) ahead of the sweep; the source's Value
    // must then be safe to call concurrently. The triangles do not depend on it. The helpers are
    // started here and wait between passes, so a pass starts no thread.
    void SetSamplingThreads(int threads);
    int SamplingThreads() const { return samplingThreads_; }

    bool Ready() const { return ready_; }
    int TriangleCount() const { return triangleCount_; }
    // Passes made (a repeat that was skipped makes none).
    int Passes() const { return pass_; }
    int IndexCount() const { return indexCount_; }
    const int* Indices() const { return indices_.get(); }
    const SurfaceVertex* Vertices() const { return vertices_.get(); }
    int VertexCapacity() const { return vertexCapacity_; }
    int IndexCapacity() const { return indexCapacity_; }
    int SampleCount() const { return sampleCount_; }
    // Grid point (i, j, k) of the current resolution, laid out first if a change is pending.
    Vec3 GridPoint(int i, int j, int k) {
        LayOutPendingSamples();
        return Vec3(axis_[0][i], axis_[1][j], axis_[2][k]);
    }

private:
    void LayOutPendingSamples();
    bool SampleNextLayer(int layers);
    void WaitForLayer(int layer, int layers);
    void Sweep(int layers, bool sampleInSweep);
    void SampleInParallel(int layers);
    void HelperLoop();
    void StopHelpers();
    int MakeVertex(const Vec3& position);
    template <int axis>
    void AddEdgeVertex(float value, float neighbourValue, const Vec3& position,
                       float neighbourCoordinate, int& vertex);
    void AddCell(const EdgeVertices* highest, const EdgeVertices* below, int cubeIndex);
    void AddTriangleNormal(int u, int v, int w);

    DisplayDevice* device_;
    int vertexCapacity_;
    int nextVertex_ = 0;
    LazyArray<SurfaceVertex> vertices_;
    int indexCapacity_;
    int indexCount_ = 0;
    LazyArray<int> indices_;
    int pass_ = 0;
    int nx_ = 0, ny_ = 0, nz_ = 0;
    int sampleCount_ = 0;
    int strideX_ = 1, strideY_ = 0, strideZ_ = 0;
    // Field values of every grid point when helpers sample layers ahead of the sweep, else of the
    // two layers the sweep reads; the edge vertices only of the layer being swept and the one
    // below it, which its cells read.
    LazyArray<float> values_;
    std::vector<EdgeVertices> edgeLayers_;
    // The grid's coordinates along x, y and z: every sample's position is one from each.
    std::vector<float> axis_[3];
    FieldSource* source_;
    int triangleCount_ = 0;
    Vec3 origin_;
    float extent_[3];
    float cellSize_[3] = {};
    bool ready_ = false;
    // What the last pass was made from.
    bool gridChanged_ = true;
    // A resolution change lays the samples out at the next pass, not at once: a grid changed
    // again before any pass (as every field is right after construction) is never laid out.
    bool layoutPending_ = false;
    uint64_t passRevision_ = FieldSource::kUntracked;
    int passNormalMode_ = 0;
    static constexpr int kMaxSamplingThreads = 8;
    int samplingThreads_ = 1;
    // Parallel sampling: which z layers are sampled, and the next one nobody has claimed. Sized
    // for the most layers any accepted resolution can have, once helpers are started.
    std::unique_ptr<std::atomic<bool>[]> layerSampled_;
    std::atomic<int> nextLayer_{0};
    // The waiting helpers: a new generation starts them on a pass of helperLayers_ layers, and
    // the pass ends when none is busy.
    std::vector<std::thread> helpers_;
    std::mutex helperMutex_;
    std::condition_variable helperStart_;
    std::condition_variable helperDone_;
    uint64_t helperGeneration_ = 0;
    int helpersBusy_ = 0;
    int helperLayers_ = 0;
    bool helpersStopping_ = false;
};

}  // namespace tavrin
