#include "effects/metaball_field.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <thread>

#include "effects/cube_table.h"

namespace tavrin {
namespace {

// The most samples a field holds: five unrolled vertices per sample addressable with 32-bit byte
// sizes, the bound from when the triangles were drawn that way, kept so that the same grids are
// accepted and refused.
constexpr int64_t kMaxSamples = UINT32_MAX / (5 * sizeof(SurfaceVertex));

// Zero when any axis has no samples, or when the grid is too large to hold.
int CountSamples(int nx, int ny, int nz) {
    if (nx < 0 || ny < 0 || nz < 0) return 0;
    const int64_t count = (nx + int64_t{1}) * (ny + int64_t{1}) * (nz + int64_t{1});
    return count <= kMaxSamples ? static_cast<int>(count) : 0;
}

// Non-finite values count as outside, so they never reach the interpolation.
float Sanitised(float value) { return std::isfinite(value) ? value : -1.0f; }

// Zero bytes are a valid value of every array element type the field keeps (all implicit-lifetime
// types), and calloc leaves fresh pages untouched until they are used.
template <typename T>
LazyArray<T> AllocateZeroed(int count) {
    return LazyArray<T>(static_cast<T*>(std::calloc(std::max(count, 1), sizeof(T))));
}

// Scales the angle term of a corner's normal weight.
constexpr float kCornerWeightScale = 1.5707964f;

}  // namespace

MetaballField::MetaballField(DisplayDevice* device, int nx, int ny, int nz, const Vec3& origin,
                             float extentX, float extentY, float extentZ, FieldSource* source)
    : device_(device),
      vertexCapacity_(CountSamples(nx, ny, nz)),
      vertices_(AllocateZeroed<SurfaceVertex>(vertexCapacity_)),
      indexCapacity_(5 * vertexCapacity_),
      indices_(AllocateZeroed<int>(indexCapacity_)),
      nx_(nx),
      ny_(ny),
      nz_(nz),
      values_(AllocateZeroed<float>(vertexCapacity_)),
      source_(source),
      origin_(origin),
      extent_{extentX, extentY, extentZ} {
    if (!vertices_ || !indices_ || !values_) throw std::bad_alloc();
    SetResolution(nx, ny, nz);
}

bool MetaballField::SetResolution(int cx, int cy, int cz) {
    // In double precision: the product of three large ints must not wrap into an accepted size.
    const double needed = (cx + 1.0) * (cy + 1.0) * (cz + 1.0);
    if (needed > vertexCapacity_) return false;
    // The same grid again: its samples already lie where a new layout would put them.
    if (cx == nx_ && cy == ny_ && cz == nz_ && sampleCount_ > 0) return true;
    gridChanged_ = true;
    nx_ = cx;
    ny_ = cy;
    nz_ = cz;
    sampleCount_ = CountSamples(cx, cy, cz);
    // Without samples there is nothing to step over (and the products could overflow).
    strideX_ = 1;
    strideY_ = sampleCount_ > 0 ? cx + 1 : 0;
    strideZ_ = sampleCount_ > 0 ? (cx + 1) * (cy + 1) : 0;
    cellSize_[0] = extent_[0] / static_cast<float>(cx);
    cellSize_[1] = extent_[1] / static_cast<float>(cy);
    cellSize_[2] = extent_[2] / static_cast<float>(cz);
    layoutPending_ = true;
    return true;
}

// Coordinates accumulate by repeated addition, so every pass meets the same grid points bit for bit.
void MetaballField::LayOutPendingSamples() {
    if (!layoutPending_) return;
    layoutPending_ = false;
    if (sampleCount_ == 0) return;
    const int cells[3] = {nx_, ny_, nz_};
    const float start[3] = {origin_.x, origin_.y, origin_.z};
    for (int a = 0; a < 3; ++a) {
        axis_[a].resize(cells[a] + 1);
        float coordinate = start[a];
        for (float& point : axis_[a]) {
            point = coordinate;
            coordinate += cellSize_[a];
        }
    }
    edgeLayers_.resize(2 * static_cast<size_t>(strideZ_));
}

void MetaballField::SetSamplingThreads(int threads) {
    threads = std::clamp(threads, 1, kMaxSamplingThreads);
    if (threads == samplingThreads_) return;
    StopHelpers();
    samplingThreads_ = threads;
    // Only a parallel pass marks its layers: a field sampled on one thread holds no flags.
    if (threads > 1 && layerSampled_ == nullptr) {
        layerSampled_.reset(new std::atomic<bool>[vertexCapacity_]());
    }
    for (int t = 1; t < threads; ++t) helpers_.emplace_back([this] { HelperLoop(); });
}

void MetaballField::StopHelpers() {
    {
        const std::lock_guard<std::mutex> lock(helperMutex_);
        helpersStopping_ = true;
    }
    helperStart_.notify_all();
    for (std::thread& helper : helpers_) helper.join();
    helpers_.clear();
    helpersStopping_ = false;
}

void MetaballField::HelperLoop() {
    uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(helperMutex_);
    for (;;) {
        helperStart_.wait(lock, [&] { return helpersStopping_ || helperGeneration_ != seen; });
        if (helpersStopping_) return;
        seen = helperGeneration_;
        const int layers = helperLayers_;
        lock.unlock();
        while (SampleNextLayer(layers)) {
        }
        lock.lock();
        if (--helpersBusy_ == 0) helperDone_.notify_one();
    }
}

void MetaballField::Polygonise() {
    const uint64_t revision = source_->Revision();
    if (ready_ && !gridChanged_ && revision != FieldSource::kUntracked &&
        revision == passRevision_ && source_->normalMode == passNormalMode_) {
        return;
    }
    LayOutPendingSamples();
    gridChanged_ = false;
    passRevision_ = revision;
    passNormalMode_ = source_->normalMode;
    ++pass_;
    ready_ = false;
    triangleCount_ = 0;
    nextVertex_ = 0;
    indexCount_ = 0;
    const int layers = sampleCount_ > 0 ? nz_ + 1 : 0;
    if (helpers_.empty() || layers < 2) {
        Sweep(layers, true);
    } else {
        SampleInParallel(layers);
    }
    ready_ = true;
}

// Helpers sample whole z layers in order while this thread sweeps behind them, sampling the next
// unclaimed layer itself whenever the one it needs is not ready.
void MetaballField::SampleInParallel(int layers) {
    nextLayer_.store(0, std::memory_order_relaxed);
    for (int layer = 0; layer < layers; ++layer) {
        layerSampled_[layer].store(false, std::memory_order_relaxed);
    }
    {
        const std::lock_guard<std::mutex> lock(helperMutex_);
        helperLayers_ = layers;
        helpersBusy_ = static_cast<int>(helpers_.size());
        ++helperGeneration_;
    }
    helperStart_.notify_all();
    Sweep(layers, false);
    std::unique_lock<std::mutex> lock(helperMutex_);
    helperDone_.wait(lock, [&] { return helpersBusy_ == 0; });
}

bool MetaballField::SampleNextLayer(int layers) {
    const int layer = nextLayer_.fetch_add(1, std::memory_order_relaxed);
    if (layer >= layers) return false;
    float* value = &values_[layer * strideZ_];
    const float z = axis_[2][layer];
    for (const float y : axis_[1]) {
        for (const float x : axis_[0]) {
            *value++ = Sanitised(source_->Value(Vec3(x, y, z)));
        }
    }
    layerSampled_[layer].store(true, std::memory_order_release);
    return true;
}

void MetaballField::WaitForLayer(int layer, int layers) {
    while (!layerSampled_[layer].load(std::memory_order_acquire)) {
        if (!SampleNextLayer(layers)) std::this_thread::yield();
    }
}

// One sweep in storage order (x fastest): each sample gets its value and its edge vertices, and the
// cell whose highest corner it is follows at once, while all twelve of its edges are current.
void MetaballField::Sweep(int layers, bool sampleInSweep) {
    float* const values = values_.get();
    const int sy = strideY_, sz = strideZ_;
    const float* const xs = axis_[0].data();
    const float* const ys = axis_[1].data();
    const float* const zs = axis_[2].data();
    // Helpers fill the whole grid; a sweep that samples for itself keeps only the values of the
    // layer it is on and the one below, which its cells read.
    const auto layerValues = [values, sz, sampleInSweep](int k) {
        return values + static_cast<size_t>(sampleInSweep ? k & 1 : k) * sz;
    };
    for (int k = 0; k < layers; ++k) {
        if (!sampleInSweep) WaitForLayer(k, layers);
        float* const current = layerValues(k);
        const float* const below = k > 0 ? layerValues(k - 1) : nullptr;  // read only when k > 0
        EdgeVertices* const layer = &edgeLayers_[(k & 1) * static_cast<size_t>(sz)];
        const EdgeVertices* const edgesBelow = &edgeLayers_[((k + 1) & 1) * static_cast<size_t>(sz)];
        int at = 0;  // the grid point's place in its layer
        for (int j = 0; j <= ny_; ++j) {
            const bool cellRow = j > 0 && k > 0;
            // Corners c0, c3, c4 and c7 of the previous point's column, as cube-index bits.
            int previousColumn = 0;
            for (int i = 0; i <= nx_; ++i, ++at) {
                const Vec3 position(xs[i], ys[j], zs[k]);
                if (sampleInSweep) current[at] = Sanitised(source_->Value(position));
                const float value = current[at];
                const bool inside = value >= 0.0f;
                EdgeVertices& edges = layer[at];
                if (i > 0) AddEdgeVertex<0>(value, current[at - 1], position, xs[i - 1], edges.x);
                if (j > 0) AddEdgeVertex<1>(value, current[at - sy], position, ys[j - 1], edges.y);
                if (k > 0) AddEdgeVertex<2>(value, below[at], position, zs[k - 1], edges.z);
                if (!cellRow) continue;
                const int column = (inside ? 1 : 0) | (current[at - sy] >= 0.0f) << 3 |
                                   (below[at] >= 0.0f) << 4 | (below[at - sy] >= 0.0f) << 7;
                // The previous column holds this cell's low-x corners: c0->c1, c3->c2, c4->c5, c7->c6.
                const int cubeIndex =
                    column | (previousColumn & 0x11) << 1 | (previousColumn & 0x88) >> 1;
                previousColumn = column;
                if (i > 0 && cubeIndex != 0 && cubeIndex != 0xFF) {
                    AddCell(&edges, &edgesBelow[at], cubeIndex);
                }
            }
        }
    }
}

// Interpolates where the edge to the neighbour crosses the surface, if it does.
template <int axis>
void MetaballField::AddEdgeVertex(float value, float neighbourValue, const Vec3& samplePosition,
                                  float neighbourCoordinate, int& vertex) {
    if ((neighbourValue >= 0.0f) == (value >= 0.0f)) return;
    const float t = value / (value - neighbourValue);
    Vec3 position = samplePosition;
    if constexpr (axis == 0) {
        position.x += t * (neighbourCoordinate - position.x);
    } else if constexpr (axis == 1) {
        position.y += t * (neighbourCoordinate - position.y);
    } else {
        position.z += t * (neighbourCoordinate - position.z);
    }
    vertex = MakeVertex(position);
}

// The pool is a ring: a pass that makes more vertices than it holds reuses its earliest slots.
int MetaballField::MakeVertex(const Vec3& position) {
    const int slot = nextVertex_;
    SurfaceVertex& vertex = vertices_[slot];
    vertex.position = position;
    vertex.normal.Set(0.0f, 0.0f, 0.0f);
    if (source_->normalMode == 1) source_->Normal(vertex.normal, position);
    vertex.colour = source_->Colour(position);
    nextVertex_ = (nextVertex_ + 1) % vertexCapacity_;
    return slot;
}

void MetaballField::AddCell(const EdgeVertices* c0, const EdgeVertices* c4, int cubeIndex) {
    const int sx = strideX_, sy = strideY_;
    const EdgeVertices* corners[cube::kCorners] = {
        c0, c0 - sx, c0 - sx - sy, c0 - sy, c4, c4 - sx, c4 - sx - sy, c4 - sy};
    const cube::Row& row = cube::kTriangleTable[cubeIndex];
    // Each edge's vertex lives on the sample at its higher end.
    const int edgeVertex[cube::kEdges] = {
        corners[0]->x, corners[1]->y, corners[3]->x, corners[0]->y,
        corners[4]->x, corners[5]->y, corners[7]->x, corners[4]->y,
        corners[0]->z, corners[1]->z, corners[2]->z, corners[3]->z};
    for (int entry = 0; row[entry] >= 0; entry += 3) {
        // A full index array ends the list; the triangles so far stay drawable.
        if (indexCount_ + 3 > indexCapacity_) return;
        const int u = edgeVertex[row[entry]];
        const int v = edgeVertex[row[entry + 1]];
        const int w = edgeVertex[row[entry + 2]];
        if (source_->normalMode == 0) AddTriangleNormal(u, v, w);
        indices_[indexCount_++] = u;
        indices_[indexCount_++] = v;
        indices_[indexCount_++] = w;
        ++triangleCount_;
    }
}

// Adds the triangle's unit normal to its three vertices, each weighted by its interior angle's
// (1 - cos) term. A degenerate triangle has no direction and adds nothing.
void MetaballField::AddTriangleNormal(int u, int v, int w) {
    SurfaceVertex* corner[3] = {&vertices_[u], &vertices_[v], &vertices_[w]};
    const Vec3& pu = corner[0]->position;
    const Vec3& pv = corner[1]->position;
    const Vec3& pw = corner[2]->position;
    Vec3 normal = (pv - pu).Cross(pw - pu);
    const float area = normal.Length();
    if (!(area > 0.0f) || !std::isfinite(area)) return;
    normal.Normalise();
    const Vec3 sides[3] = {pv - pu, pw - pv, pu - pw};  // side s leaves corner s
    const float lengths[3] = {sides[0].Length(), sides[1].Length(), sides[2].Length()};
    for (int c = 0; c < 3; ++c) {
        // The two edges leaving corner c: side c forwards and side c-1 backwards.
        const int previous = (c + 2) % 3;
        const float cosine =
            -sides[c].Dot(sides[previous]) / (lengths[c] * lengths[previous]);
        const float weight = (1.0f - cosine) * kCornerWeightScale;
        corner[c]->normal += normal * weight;
    }
}

}  // namespace tavrin
