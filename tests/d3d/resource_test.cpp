#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "d3d/resources.h"
#include "device_fixture.h"

namespace tavrin::testing {
namespace {

using ResourceTest = DeviceTest;

void WriteQuad(IDirect3DVertexBuffer8* buffer, D3DCOLOR color, DWORD flags) {
    BYTE* data = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &data, flags), D3D_OK);
    ASSERT_NE(data, nullptr);
    const ScreenVertex quad[4] = {{0, 0, 0.5f, 1, color}, {16, 0, 0.5f, 1, color},
                                  {0, 16, 0.5f, 1, color}, {16, 16, 0.5f, 1, color}};
    std::memcpy(data, quad, sizeof(quad));
    ASSERT_EQ(buffer->Unlock(), D3D_OK);
}

TEST_F(ResourceTest, DynamicVertexBufferRefilledWithDiscard) {
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(4 * sizeof(ScreenVertex), D3DUSAGE_DYNAMIC, kScreenFvf, D3DPOOL_DEFAULT,
                                         &buffer),
              D3D_OK);
    ASSERT_EQ(device->SetStreamSource(0, buffer, sizeof(ScreenVertex)), D3D_OK);
    ASSERT_EQ(device->SetVertexShader(kScreenFvf), D3D_OK);
    ClearTo(0xFF000000);
    WriteQuad(buffer, 0xFFFF0000, D3DLOCK_DISCARD);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_EQ(Pixel(8, 8), 0xFFFF0000u);
    WriteQuad(buffer, 0xFF00FF00, D3DLOCK_DISCARD);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_EQ(Pixel(8, 8), 0xFF00FF00u);

    // A partial lock updates only its range.
    BYTE* data = nullptr;
    ASSERT_EQ(buffer->Lock(0, sizeof(ScreenVertex), &data, 0), D3D_OK);
    reinterpret_cast<ScreenVertex*>(data)->x = 8.0f;  // pull one corner in
    ASSERT_EQ(buffer->Unlock(), D3D_OK);
    ClearTo(0xFF000000);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_EQ(Pixel(2, 2), 0xFF000000u);
    EXPECT_EQ(Pixel(12, 12), 0xFF00FF00u);

    D3DVERTEXBUFFER_DESC desc{};
    ASSERT_EQ(buffer->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Size, 4 * sizeof(ScreenVertex));
    EXPECT_EQ(desc.FVF, kScreenFvf);
    EXPECT_EQ(desc.Usage, D3DUSAGE_DYNAMIC);
    ASSERT_EQ(device->SetStreamSource(0, nullptr, 0), D3D_OK);
    EXPECT_EQ(buffer->Release(), 0u);
}

TEST_F(ResourceTest, BadLocksAndDrawsAreRefusedWithoutHarm) {
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(80, 0, kScreenFvf, D3DPOOL_MANAGED, &buffer), D3D_OK);
    BYTE* data = nullptr;
    EXPECT_EQ(buffer->Lock(64, 32, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(buffer->Unlock(), D3DERR_INVALIDCALL);
    ASSERT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
    EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(buffer->Unlock(), D3D_OK);

    ASSERT_EQ(device->SetVertexShader(kScreenFvf), D3D_OK);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);  // no stream
    ASSERT_EQ(device->SetStreamSource(0, buffer, sizeof(ScreenVertex)), D3D_OK);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3DERR_INVALIDCALL);  // 6 of 4 vertices
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 3, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    ASSERT_EQ(device->SetStreamSource(0, buffer, 12), D3D_OK);  // narrower than the format
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetVertexShader(D3DFVF_XYZB2 | D3DFVF_DIFFUSE), D3DERR_INVALIDCALL);

    // Indices naming vertices the buffer does not hold never reach GL.
    ASSERT_EQ(device->SetStreamSource(0, buffer, sizeof(ScreenVertex)), D3D_OK);
    IDirect3DIndexBuffer8* indices = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices), D3D_OK);
    ASSERT_EQ(indices->Lock(0, 0, &data, 0), D3D_OK);
    const uint16_t values[3] = {0, 1, 9};
    std::memcpy(data, values, sizeof(values));
    ASSERT_EQ(indices->Unlock(), D3D_OK);
    ASSERT_EQ(device->SetIndices(indices, 0), D3D_OK);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 1, 1), D3DERR_INVALIDCALL);

    ASSERT_EQ(device->SetIndices(nullptr, 0), D3D_OK);
    ASSERT_EQ(device->SetStreamSource(0, nullptr, 0), D3D_OK);
    EXPECT_EQ(indices->Release(), 0u);
    EXPECT_EQ(buffer->Release(), 0u);
}

// The bound is taken from the whole buffer when it is unlocked: an index outside the drawn range
// that names a missing vertex refuses the draw, and a later lock that lowers it lifts the refusal.
TEST_F(ResourceTest, IndexRangesAreCheckedWhenTheIndicesAreUnlocked) {
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(4 * sizeof(ScreenVertex), 0, kScreenFvf, D3DPOOL_MANAGED,
                                         &buffer),
              D3D_OK);
    WriteQuad(buffer, 0xFF0000FF, 0);
    IDirect3DIndexBuffer8* indices = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices),
              D3D_OK);
    auto writeIndices = [&](UINT offset, std::initializer_list<uint16_t> values) {
        BYTE* data = nullptr;
        ASSERT_EQ(indices->Lock(offset, static_cast<UINT>(values.size() * 2), &data, 0), D3D_OK);
        std::memcpy(data, values.begin(), values.size() * 2);
        ASSERT_EQ(indices->Unlock(), D3D_OK);
    };
    writeIndices(0, {0, 1, 2, 1, 3, 4});  // vertex 4 does not exist
    ASSERT_EQ(device->SetVertexShader(kScreenFvf), D3D_OK);
    ASSERT_EQ(device->SetStreamSource(0, buffer, sizeof(ScreenVertex)), D3D_OK);
    ASSERT_EQ(device->SetIndices(indices, 0), D3D_OK);
    ClearTo(0xFF000000);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(Pixel(2, 2), 0xFF000000u);  // nothing reached GL

    writeIndices(8, {3, 2});  // the second triangle's last two corners only
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1), D3D_OK);
    EXPECT_EQ(Pixel(2, 2), 0xFF0000FFu);
    // The base vertex counts too: index 3 + base 1 is past the four vertices.
    ASSERT_EQ(device->SetIndices(indices, 1), D3D_OK);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1), D3DERR_INVALIDCALL);

    ASSERT_EQ(device->SetIndices(nullptr, 0), D3D_OK);
    ASSERT_EQ(device->SetStreamSource(0, nullptr, 0), D3D_OK);
    EXPECT_EQ(indices->Release(), 0u);
    EXPECT_EQ(buffer->Release(), 0u);
}

TEST_F(ResourceTest, IndexedDrawWithBaseVertex) {
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(8 * sizeof(ScreenVertex), 0, kScreenFvf, D3DPOOL_MANAGED, &buffer), D3D_OK);
    BYTE* data = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
    const ScreenVertex vertices[8] = {
        {0, 0, 0.5f, 1, 0xFFFF0000},   {16, 0, 0.5f, 1, 0xFFFF0000},   {0, 16, 0.5f, 1, 0xFFFF0000},
        {16, 16, 0.5f, 1, 0xFFFF0000}, {32, 0, 0.5f, 1, 0xFF00FF00},   {48, 0, 0.5f, 1, 0xFF00FF00},
        {32, 16, 0.5f, 1, 0xFF00FF00}, {48, 16, 0.5f, 1, 0xFF00FF00}};
    std::memcpy(data, vertices, sizeof(vertices));
    ASSERT_EQ(buffer->Unlock(), D3D_OK);
    IDirect3DIndexBuffer8* indices = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(6 * 4, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &indices), D3D_OK);
    ASSERT_EQ(indices->Lock(0, 0, &data, 0), D3D_OK);
    const uint32_t values[6] = {0, 1, 2, 1, 3, 2};
    std::memcpy(data, values, sizeof(values));
    ASSERT_EQ(indices->Unlock(), D3D_OK);

    ClearTo(0xFF000000);
    ASSERT_EQ(device->SetVertexShader(kScreenFvf), D3D_OK);
    ASSERT_EQ(device->SetStreamSource(0, buffer, sizeof(ScreenVertex)), D3D_OK);
    ASSERT_EQ(device->SetIndices(indices, 4), D3D_OK);  // the second quad
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    EXPECT_EQ(Pixel(40, 8), 0xFF00FF00u);
    EXPECT_EQ(Pixel(8, 8), 0xFF000000u);

    // The same from caller memory.
    const uint16_t shortIndices[6] = {0, 1, 2, 1, 3, 2};
    ASSERT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, shortIndices, D3DFMT_INDEX16, vertices,
                                             sizeof(ScreenVertex)),
              D3D_OK);
    EXPECT_EQ(Pixel(8, 8), 0xFFFF0000u);
    EXPECT_EQ(indices->Release(), 0u);  // the UP draw unset the device's references
    EXPECT_EQ(buffer->Release(), 0u);
}

// A caller's pool is read only from MinVertexIndex on: the vertices below it here lie on a page
// nobody may read, so a draw that sent them would fault.
TEST_F(ResourceTest, IndexedDrawFromCallerMemoryReadsOnlyTheNamedVertices) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void* mapping = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapping, MAP_FAILED);
    ASSERT_EQ(mprotect(mapping, page, PROT_NONE), 0);
    uint8_t* named = static_cast<uint8_t*>(mapping) + page;
    const ScreenVertex quad[4] = {{32, 0, 0.5f, 1, 0xFF00FF00}, {48, 0, 0.5f, 1, 0xFF00FF00},
                                  {32, 16, 0.5f, 1, 0xFF00FF00}, {48, 16, 0.5f, 1, 0xFF00FF00}};
    std::memcpy(named, quad, sizeof(quad));
    constexpr UINT kMinIndex = 100;  // 2000 bytes below the quad, all on the unreadable page
    const uint8_t* pool = named - kMinIndex * sizeof(ScreenVertex);
    const uint16_t indices[6] = {100, 101, 102, 101, 103, 102};

    ClearTo(0xFF000000);
    ASSERT_EQ(device->SetVertexShader(kScreenFvf), D3D_OK);
    EXPECT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, kMinIndex, 4, 2, indices,
                                             D3DFMT_INDEX16, pool, sizeof(ScreenVertex)),
              D3D_OK);
    EXPECT_EQ(Pixel(40, 8), 0xFF00FF00u);
    // A range that wraps past the largest index is refused, not sent.
    EXPECT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, UINT32_MAX, 4, 2, indices,
                                             D3DFMT_INDEX16, pool, sizeof(ScreenVertex)),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(munmap(mapping, 2 * page), 0);
}

TEST_F(ResourceTest, TextureLevelsDescriptionsAndLocks) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(64, 16, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 7u);  // 64 x 16 down to 1 x 1
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(2, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 16u);
    EXPECT_EQ(desc.Height, 4u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(texture->GetLevelDesc(7, &desc), D3DERR_INVALIDCALL);

    // A locked rectangle addresses the level's rows; a read-only lock reads back what was written.
    D3DLOCKED_RECT locked{};
    const RECT area{4, 2, 8, 3};
    ASSERT_EQ(texture->LockRect(0, &locked, &area, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 64 * 4);
    static_cast<uint32_t*>(locked.pBits)[0] = 0x12345678;
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY | D3DLOCK_NO_DIRTY_UPDATE), D3D_OK);
    EXPECT_EQ(static_cast<const uint32_t*>(locked.pBits)[2 * 64 + 4], 0x12345678u);
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    const RECT outside{60, 0, 65, 1};
    EXPECT_EQ(texture->LockRect(0, &locked, &outside, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->UnlockRect(1), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->Release(), 0u);

    IDirect3DTexture8* refused = nullptr;
    EXPECT_EQ(device->CreateTexture(0, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &refused), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(16, 16, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &refused), D3DERR_INVALIDCALL);
    EXPECT_EQ(refused, nullptr);
}

// Locks of a buffer far larger than what is drawn: the store grows to what locks and draws reach,
// keeps what earlier locks wrote, and a partial lock reads back the current contents.
TEST_F(ResourceTest, LargeVertexBufferStoreCoversOnlyWhatIsUsed) {
    constexpr UINT kVertices = 1 << 20;
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(kVertices * sizeof(ScreenVertex), D3DUSAGE_DYNAMIC,
                                         kScreenFvf, D3DPOOL_DEFAULT, &buffer),
              D3D_OK);
    auto& storage = static_cast<d3d::VertexBuffer*>(buffer)->storage();
    EXPECT_EQ(storage.storeSize(), 0u);
    ASSERT_EQ(device->SetStreamSource(0, buffer, sizeof(ScreenVertex)), D3D_OK);
    ASSERT_EQ(device->SetVertexShader(kScreenFvf), D3D_OK);
    BYTE* data = nullptr;
    ASSERT_EQ(buffer->Lock(0, 4 * sizeof(ScreenVertex), &data, D3DLOCK_DISCARD), D3D_OK);
    const ScreenVertex quad[4] = {{0, 0, 0.5f, 1, 0xFFFF0000},
                                  {16, 0, 0.5f, 1, 0xFFFF0000},
                                  {0, 16, 0.5f, 1, 0xFFFF0000},
                                  {16, 16, 0.5f, 1, 0xFFFF0000}};
    std::memcpy(data, quad, sizeof(quad));
    ASSERT_EQ(buffer->Unlock(), D3D_OK);
    EXPECT_LT(storage.storeSize(), 4096u);
    ClearTo(0xFF000000);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_EQ(Pixel(8, 8), 0xFFFF0000u);

    // A draw near the end grows the store; what was written stays.
    ASSERT_EQ(device->DrawPrimitive(D3DPT_POINTLIST, kVertices - 1, 1), D3D_OK);
    EXPECT_EQ(storage.storeSize(), kVertices * sizeof(ScreenVertex));
    ASSERT_EQ(buffer->Lock(sizeof(ScreenVertex), sizeof(ScreenVertex), &data, 0), D3D_OK);
    ScreenVertex corner{};
    std::memcpy(&corner, data, sizeof(corner));
    EXPECT_EQ(corner.x, 16.0f);
    EXPECT_EQ(corner.color, 0xFFFF0000u);
    corner.color = 0xFF0000FF;
    std::memcpy(data, &corner, sizeof(corner));
    ASSERT_EQ(buffer->Unlock(), D3D_OK);
    ClearTo(0xFF000000);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_NE(Pixel(8, 8), 0xFF000000u);
    ASSERT_EQ(device->SetStreamSource(0, nullptr, 0), D3D_OK);
    EXPECT_EQ(buffer->Release(), 0u);
}

// A texture keeps no copy of its levels between locks: what a lock shows comes back from GL,
// bit for bit, for the 16-bit formats and the unused byte of X8R8G8B8 too.
TEST_F(ResourceTest, TextureLocksReadBackWhatWasWritten) {
    struct Case {
        D3DFORMAT format;
        uint32_t value;
        UINT bytes;
    } cases[] = {{D3DFMT_A1R5G5B5, 0xABCD, 2},
                 {D3DFMT_R5G6B5, 0x1F3A, 2},
                 {D3DFMT_A4R4G4B4, 0x9C35, 2},
                 {D3DFMT_X8R8G8B8, 0x7F102030, 4},
                 {D3DFMT_L8, 0x5A, 1}};
    for (const Case& c : cases) {
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(8, 4, 2, 0, c.format, D3DPOOL_MANAGED, &texture), D3D_OK);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        EXPECT_EQ(static_cast<const uint8_t*>(locked.pBits)[5], 0);  // fresh levels read as zeros
        auto* row = static_cast<uint8_t*>(locked.pBits) + locked.Pitch;
        std::memcpy(row + 3 * c.bytes, &c.value, c.bytes);
        ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        uint32_t read = 0;
        std::memcpy(&read, static_cast<const uint8_t*>(locked.pBits) + locked.Pitch + 3 * c.bytes,
                    c.bytes);
        EXPECT_EQ(read, c.value) << "format " << c.format;
        ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
        EXPECT_EQ(texture->Release(), 0u);
    }
}

// A level nobody wrote holds zeros in GL too, even where the driver hands out the store of a
// texture just released with other contents.
TEST_F(ResourceTest, UnwrittenTexelsReadBackAsZerosAfterAReleasedTexture) {
    constexpr UINT kEdge = 64;
    D3DLOCKED_RECT locked{};
    IDirect3DTexture8* previous = nullptr;
    ASSERT_EQ(device->CreateTexture(kEdge, kEdge, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &previous), D3D_OK);
    ASSERT_EQ(previous->LockRect(0, &locked, nullptr, 0), D3D_OK);
    std::memset(locked.pBits, 0xA5, static_cast<size_t>(locked.Pitch) * kEdge);
    ASSERT_EQ(previous->UnlockRect(0), D3D_OK);
    EXPECT_EQ(previous->Release(), 0u);

    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(kEdge, kEdge, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    const RECT oneTexel{0, 0, 1, 1};
    ASSERT_EQ(texture->LockRect(0, &locked, &oneTexel, 0), D3D_OK);
    *static_cast<uint32_t*>(locked.pBits) = 0x12345678;
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);  // from GL now
    const auto* texels = static_cast<const uint8_t*>(locked.pBits);
    EXPECT_EQ(*reinterpret_cast<const uint32_t*>(texels), 0x12345678u);
    size_t nonZero = 0;
    for (size_t byte = 4; byte < static_cast<size_t>(locked.Pitch) * kEdge; ++byte) nonZero += texels[byte] != 0;
    EXPECT_EQ(nonZero, 0u);
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(texture->Release(), 0u);
}

TEST_F(ResourceTest, PackedFormatsSampleAsTheirChannels) {
    ClearTo(0xFF000000);
    struct Case {
        D3DFORMAT format;
        uint16_t texel;
        uint32_t expected;
    };
    for (const Case& c : {Case{D3DFMT_R5G6B5, 0xF800, 0xFFFF0000}, Case{D3DFMT_A1R5G5B5, 0x801F, 0xFF0000FF},
                          Case{D3DFMT_X1R5G5B5, 0x03E0, 0xFF00FF00}, Case{D3DFMT_A4R4G4B4, 0xF0F0, 0xFF00FF00}}) {
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(1, 1, 1, 0, c.format, D3DPOOL_MANAGED, &texture), D3D_OK);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        std::memcpy(locked.pBits, &c.texel, 2);
        ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
        ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
        FillTexturedRect(0, 0, 8, 8, 0xFFFFFFFF);
        EXPECT_EQ(Pixel(4, 4), c.expected) << "format " << c.format;
        ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);
        EXPECT_EQ(texture->Release(), 0u);
    }
}

// Each draw reads the indices set for it, whichever indices the same vertices were drawn with
// before; and a new buffer (which GL may give a released buffer's name) is drawn from its own data.
TEST_F(ResourceTest, IndexedDrawsReadTheBuffersSetForThem) {
    auto makeQuad = [this](D3DCOLOR color) {
        IDirect3DVertexBuffer8* buffer = nullptr;
        EXPECT_EQ(device->CreateVertexBuffer(4 * sizeof(ScreenVertex), 0, kScreenFvf, D3DPOOL_MANAGED,
                                             &buffer),
                  D3D_OK);
        WriteQuad(buffer, color, 0);
        return buffer;
    };
    auto makeIndices = [this](std::initializer_list<uint16_t> values) {
        IDirect3DIndexBuffer8* indices = nullptr;
        EXPECT_EQ(device->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices), D3D_OK);
        BYTE* data = nullptr;
        EXPECT_EQ(indices->Lock(0, 0, &data, 0), D3D_OK);
        std::memcpy(data, std::data(values), values.size() * sizeof(uint16_t));
        EXPECT_EQ(indices->Unlock(), D3D_OK);
        return indices;
    };
    auto draw = [this](IDirect3DVertexBuffer8* vertices, IDirect3DIndexBuffer8* indices) {
        ClearTo(0xFF000000);
        ASSERT_EQ(device->SetStreamSource(0, vertices, sizeof(ScreenVertex)), D3D_OK);
        ASSERT_EQ(device->SetIndices(indices, 0), D3D_OK);
        ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    };
    constexpr uint32_t kBlack = 0xFF000000u;
    ASSERT_EQ(device->SetVertexShader(kScreenFvf), D3D_OK);
    IDirect3DVertexBuffer8* red = makeQuad(0xFFFF0000);
    IDirect3DIndexBuffer8* whole = makeIndices({0, 1, 2, 1, 3, 2});
    IDirect3DIndexBuffer8* lowerLeft = makeIndices({0, 3, 2, 0, 3, 2});  // one triangle, twice
    draw(red, whole);
    EXPECT_EQ(Pixel(12, 4), 0xFFFF0000u);
    draw(red, lowerLeft);
    EXPECT_EQ(Pixel(4, 12), 0xFFFF0000u);
    EXPECT_EQ(Pixel(12, 4), kBlack);
    // Indices from caller memory in between, then the buffer again.
    const uint16_t upperRight[6] = {0, 1, 3, 0, 1, 3};
    ClearTo(0xFF000000);
    const ScreenVertex quad[4] = {{0, 0, 0.5f, 1, 0xFF0000FF}, {16, 0, 0.5f, 1, 0xFF0000FF},
                                  {0, 16, 0.5f, 1, 0xFF0000FF}, {16, 16, 0.5f, 1, 0xFF0000FF}};
    ASSERT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, upperRight, D3DFMT_INDEX16,
                                             quad, sizeof(ScreenVertex)),
              D3D_OK);
    EXPECT_EQ(Pixel(12, 4), 0xFF0000FFu);
    EXPECT_EQ(Pixel(4, 12), kBlack);
    draw(red, lowerLeft);
    EXPECT_EQ(Pixel(4, 12), 0xFFFF0000u);
    EXPECT_EQ(Pixel(12, 4), kBlack);

    ASSERT_EQ(device->SetStreamSource(0, nullptr, 0), D3D_OK);
    ASSERT_EQ(device->SetIndices(nullptr, 0), D3D_OK);
    EXPECT_EQ(red->Release(), 0u);
    EXPECT_EQ(lowerLeft->Release(), 0u);
    IDirect3DVertexBuffer8* green = makeQuad(0xFF00FF00);
    IDirect3DIndexBuffer8* secondWhole = makeIndices({0, 1, 2, 1, 3, 2});
    draw(green, secondWhole);
    EXPECT_EQ(Pixel(12, 4), 0xFF00FF00u);
    EXPECT_EQ(Pixel(4, 12), 0xFF00FF00u);
    ASSERT_EQ(device->SetStreamSource(0, nullptr, 0), D3D_OK);
    ASSERT_EQ(device->SetIndices(nullptr, 0), D3D_OK);
    EXPECT_EQ(green->Release(), 0u);
    EXPECT_EQ(whole->Release(), 0u);
    EXPECT_EQ(secondWhole->Release(), 0u);
}

TEST_F(ResourceTest, DeviceHoldsReferencesWhileObjectsAreSet) {
    IDirect3DTexture8* texture = MakeTexture(1, 1, {0xFFFFFFFF});
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    EXPECT_EQ(texture->Release(), 0u + 1u);  // the device's reference keeps it alive
    IDirect3DBaseTexture8* current = nullptr;
    ASSERT_EQ(device->GetTexture(0, &current), D3D_OK);
    EXPECT_EQ(current, texture);
    current->Release();
    FillTexturedRect(0, 0, 8, 8, 0xFF808080);  // still drawable
    ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);

    IDirect3DDevice8* owner = nullptr;
    IDirect3DTexture8* second = MakeTexture(1, 1, {0});
    ASSERT_EQ(second->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner, device);
    owner->Release();
    EXPECT_EQ(second->Release(), 0u);
}

}  // namespace
}  // namespace tavrin::testing
