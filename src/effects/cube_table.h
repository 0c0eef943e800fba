#pragma once

#include <array>
#include <cstdint>

// The marching-cubes case table for the field's cell layout, built at compile time from the cube's
// geometry rather than typed in.
//
// Corners, with c0 the cell's highest grid point (i, j, k):
//   c0 (i, j, k)      c1 (i-1, j, k)      c2 (i-1, j-1, k)      c3 (i, j-1, k)
//   c4 (i, j, k-1)    c5 (i-1, j, k-1)    c6 (i-1, j-1, k-1)    c7 (i, j-1, k-1)
// Edges: e0 c0-c1, e1 c1-c2, e2 c2-c3, e3 c3-c0, e4 c4-c5, e5 c5-c6, e6 c6-c7, e7 c7-c4,
//        e8 c0-c4, e9 c1-c5, e10 c2-c6, e11 c3-c7.
// Case index bit b is set when corner cb is inside. Each row lists up to five triangles as edge
// triples and ends with -1; a triangle's corners (PV - PU) x (PW - PU) point from inside to outside.

namespace tavrin::cube {

constexpr int kCorners = 8;
constexpr int kEdges = 12;
constexpr int kRowLength = 16;

// Offsets of each corner from the cell's highest grid point, per axis (0 or -1).
constexpr int kCornerOffset[kCorners][3] = {{0, 0, 0},   {-1, 0, 0},  {-1, -1, 0}, {0, -1, 0},
                                            {0, 0, -1},  {-1, 0, -1}, {-1, -1, -1}, {0, -1, -1}};
constexpr int kEdgeCorners[kEdges][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                         {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

using Row = std::array<int8_t, kRowLength>;
using Table = std::array<Row, 256>;

namespace detail {

// The cube's faces, corners in cyclic order around each face.
constexpr int kFaces[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 1, 5, 4},
                              {3, 2, 6, 7}, {0, 3, 7, 4}, {1, 2, 6, 5}};

constexpr int EdgeBetween(int a, int b) {
    for (int e = 0; e < kEdges; ++e) {
        if ((kEdgeCorners[e][0] == a && kEdgeCorners[e][1] == b) ||
            (kEdgeCorners[e][0] == b && kEdgeCorners[e][1] == a)) {
            return e;
        }
    }
    return -1;
}

// Twice the midpoint of an edge, in corner-offset units, so the arithmetic stays integral.
constexpr std::array<int, 3> DoubledMidpoint(int edge) {
    const int* a = kCornerOffset[kEdgeCorners[edge][0]];
    const int* b = kCornerOffset[kEdgeCorners[edge][1]];
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}

struct Links {
    int neighbour[kEdges][2];
    int count[kEdges];
};

// Where the surface meets each face it cuts the face into segments between crossing edges. A face
// whose inside corners sit diagonally keeps them apart; the decision depends on the face alone, so
// the two cells sharing a face agree on it and the surface stays closed.
constexpr Links FaceSegments(int cubeIndex) {
    Links links{};
    auto link = [&links](int a, int b) {
        links.neighbour[a][links.count[a]++] = b;
        links.neighbour[b][links.count[b]++] = a;
    };
    for (const auto& face : kFaces) {
        bool inside[4]{};
        int edge[4]{};
        for (int q = 0; q < 4; ++q) {
            inside[q] = (cubeIndex >> face[q]) & 1;
            edge[q] = EdgeBetween(face[q], face[(q + 1) % 4]);  // edge q joins corners q and q+1
        }
        int crossing[4]{};
        int crossings = 0;
        for (int q = 0; q < 4; ++q) {
            if (inside[q] != inside[(q + 1) % 4]) crossing[crossings++] = edge[q];
        }
        if (crossings == 2) {
            link(crossing[0], crossing[1]);
        } else if (crossings == 4) {
            // Cut off each inside corner: the corner's two edges form one segment.
            const int first = inside[0] ? 0 : 1;
            link(edge[(first + 3) % 4], edge[first]);
            link(edge[first + 1], edge[first + 2]);
        }
    }
    return links;
}

constexpr Row BuildRow(int cubeIndex) {
    Row row{};
    for (auto& entry : row) entry = -1;
    const Links links = FaceSegments(cubeIndex);
    bool used[kEdges]{};
    int written = 0;
    for (int start = 0; start < kEdges; ++start) {
        if (links.count[start] == 0 || used[start]) continue;
        // Trace the loop from its lowest edge.
        int loop[kEdges]{};
        int length = 0;
        int previous = -1;
        int current = start;
        do {
            loop[length++] = current;
            used[current] = true;
            const int next = links.neighbour[current][0] != previous
                                 ? links.neighbour[current][0]
                                 : links.neighbour[current][1];
            previous = current;
            current = next;
        } while (current != start);
        // Orient it: the polygon's normal must point from the inside corners to the outside ones.
        long normal[3]{};
        long outward[3]{};
        for (int v = 0; v < length; ++v) {
            const auto p = DoubledMidpoint(loop[v]);
            const auto q = DoubledMidpoint(loop[(v + 1) % length]);
            normal[0] += p[1] * q[2] - p[2] * q[1];
            normal[1] += p[2] * q[0] - p[0] * q[2];
            normal[2] += p[0] * q[1] - p[1] * q[0];
            const int a = kEdgeCorners[loop[v]][0];
            const int b = kEdgeCorners[loop[v]][1];
            const int in = ((cubeIndex >> a) & 1) ? a : b;
            const int out = in == a ? b : a;
            for (int axis = 0; axis < 3; ++axis) {
                outward[axis] += kCornerOffset[out][axis] - kCornerOffset[in][axis];
            }
        }
        if (normal[0] * outward[0] + normal[1] * outward[1] + normal[2] * outward[2] < 0) {
            for (int a = 1, b = length - 1; a < b; ++a, --b) {
                const int swap = loop[a];
                loop[a] = loop[b];
                loop[b] = swap;
            }
        }
        // Fan from the lowest edge.
        for (int v = 1; v + 1 < length; ++v) {
            row[written++] = static_cast<int8_t>(loop[0]);
            row[written++] = static_cast<int8_t>(loop[v]);
            row[written++] = static_cast<int8_t>(loop[v + 1]);
        }
    }
    return row;
}

// Rows the widely published table lists with the same triangles in another order, or with a
// triangle starting at another corner. They are kept in that order so the table reads as the one
// people compare against; the order only decides which triangle is drawn first.
struct PublishedRow {
    int cubeIndex;
    Row entries;
};
constexpr PublishedRow kPublishedRows[] = {
    {3, {1, 8, 3, 9, 8, 1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}},
    {128, {7, 6, 11, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}},
};

constexpr bool SameTriangle(const int8_t* a, const int8_t* b) {
    for (int start = 0; start < 3; ++start) {
        if (a[0] == b[start] && a[1] == b[(start + 1) % 3] && a[2] == b[(start + 2) % 3]) {
            return true;
        }
    }
    return false;
}

constexpr int TriangleCount(const Row& row) {
    int entries = 0;
    while (entries < kRowLength && row[entries] >= 0) ++entries;
    return entries / 3;
}

// True when both rows hold the same triangles with the same winding, in any order.
constexpr bool SameSurface(const Row& a, const Row& b) {
    const int count = TriangleCount(a);
    if (TriangleCount(b) != count) return false;
    for (int t = 0; t < count; ++t) {
        bool found = false;
        for (int u = 0; u < count && !found; ++u) found = SameTriangle(&a[3 * t], &b[3 * u]);
        if (!found) return false;
    }
    return true;
}

constexpr Table BuildTable() {
    Table table{};
    for (int cubeIndex = 0; cubeIndex < 256; ++cubeIndex) table[cubeIndex] = BuildRow(cubeIndex);
    for (const PublishedRow& published : kPublishedRows) {
        // A published row that is not the built surface stops the build here.
        if (!SameSurface(published.entries, table[published.cubeIndex])) throw "row differs";
        table[published.cubeIndex] = published.entries;
    }
    return table;
}

}  // namespace detail

inline constexpr Table kTriangleTable = detail::BuildTable();

}  // namespace tavrin::cube
