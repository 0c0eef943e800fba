#pragma once

#include "d3d/d3dcaps.h"
#include "d3d/d3dtypes.h"

// The device API the show draws with: Direct3D 8's objects, calls and fixed-function semantics,
// implemented on OpenGL 3.3 core. Conventions as Direct3D's: row vectors, row-major matrices,
// left-handed coordinates, depth 0..1, screen and render-target row 0 at the top, texture v = 0 at
// an image's first row, pixel centres at integer screen coordinates, culling by on-screen winding.
//
// A new device starts in Direct3D 8's documented default state. Objects are reference counted:
// every object handed out (Create*, Get*Surface*, GetRenderTarget, ...) holds a reference the
// caller gives back with Release. A device may be released while objects remain; they share its
// GL context and stay usable until released, but GetDevice then fails with D3DERR_DEVICELOST.
//
// Only what the show needs is backed by the renderer; a call outside that (an unsupported format,
// operation or argument) is refused with D3DERR_INVALIDCALL or drawn with the nearest supported
// behaviour, and a message naming the problem is written to stderr once per kind of problem.
//
// Linux additions, marked "Extension" below:
//  - CreateDevice with a null window (and hDeviceWindow null) makes a headless device that
//    renders through an EGL surfaceless context into its back buffer only; Present then only
//    finishes the frame.
//  - IDirect3DDevice8::ReadBackBuffer reads the back buffer as top-down 32-bit pixels.
//  - IDirect3DDevice8::Flush hands the drawing queued so far to the renderer without waiting.
//  - IDirect3DDevice8::QueueBackBufferRead / TakeBackBufferRead read the back buffer a frame late
//    through two pixel-pack buffers, so capture does not stall the renderer.
//  - Locking a render-target surface (back buffer, cube face) read-only reads its pixels back.

struct IDirect3D8;
struct IDirect3DDevice8;

struct IUnknown {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

struct IDirect3DResource8 : IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice8** ppDevice) = 0;
    virtual D3DRESOURCETYPE GetType() = 0;
};

// A 2D image: a texture level, a cube face, the back buffer or the depth-stencil buffer.
struct IDirect3DSurface8 : IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice8** ppDevice) = 0;
    virtual HRESULT GetDesc(D3DSURFACE_DESC* pDesc) = 0;
    // Texture levels lock for reading and writing. Render targets lock read-only (Extension):
    // the rows come back top row first, 32-bit A8R8G8B8. Depth-stencil surfaces do not lock.
    virtual HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) = 0;
    virtual HRESULT UnlockRect() = 0;
};

struct IDirect3DBaseTexture8 : IDirect3DResource8 {
    virtual DWORD GetLevelCount() = 0;
};

struct IDirect3DTexture8 : IDirect3DBaseTexture8 {
    virtual HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) = 0;
    virtual HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface8** ppSurfaceLevel) = 0;
    // Rows of level `Level`, first row = v 0. pRect null locks the whole level. Unlock uploads
    // what was written (not after D3DLOCK_READONLY).
    virtual HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                             DWORD Flags) = 0;
    virtual HRESULT UnlockRect(UINT Level) = 0;
};

struct IDirect3DCubeTexture8 : IDirect3DBaseTexture8 {
    virtual HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) = 0;
    // A face as a surface; with D3DUSAGE_RENDERTARGET it can be passed to SetRenderTarget.
    virtual HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES FaceType, UINT Level,
                                      IDirect3DSurface8** ppCubeMapSurface) = 0;
    virtual HRESULT LockRect(D3DCUBEMAP_FACES FaceType, UINT Level, D3DLOCKED_RECT* pLockedRect,
                             const RECT* pRect, DWORD Flags) = 0;
    virtual HRESULT UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level) = 0;
};

struct IDirect3DVertexBuffer8 : IDirect3DResource8 {
    // SizeToLock 0 locks from OffsetToLock to the end. After D3DLOCK_DISCARD the buffer's contents
    // outside the locked range are undefined. Unlock sends only the locked range either way; the
    // storage is not replaced, since a software rasteriser clears every new store in full.
    virtual HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) = 0;
};

struct IDirect3DIndexBuffer8 : IDirect3DResource8 {
    virtual HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) = 0;
};

struct IDirect3DDevice8 : IUnknown {
    virtual HRESULT GetDirect3D(IDirect3D8** ppD3D8) = 0;
    virtual HRESULT GetDeviceCaps(D3DCAPS8* pCaps) = 0;
    virtual HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) = 0;

    // ---- Frame
    // pRects null clears the whole viewport; colour as ARGB, Z in 0..1.
    virtual HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                          DWORD Stencil) = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    // Shows the whole back buffer, scaled into the window with its aspect kept (letterboxed).
    // Rectangles, window override and dirty region must be null.
    virtual HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                            const RGNDATA* pDirtyRegion) = 0;
    virtual HRESULT GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE Type,
                                  IDirect3DSurface8** ppBackBuffer) = 0;

    // ---- Render targets: the back buffer, or a cube face created with D3DUSAGE_RENDERTARGET.
    // pNewZStencil is the device's depth-stencil surface or null (no depth buffer); the depth
    // buffer is usable with any target no larger than it. Setting a target resets the viewport
    // to the whole target.
    virtual HRESULT SetRenderTarget(IDirect3DSurface8* pRenderTarget,
                                    IDirect3DSurface8* pNewZStencil) = 0;
    virtual HRESULT GetRenderTarget(IDirect3DSurface8** ppRenderTarget) = 0;
    virtual HRESULT GetDepthStencilSurface(IDirect3DSurface8** ppZStencilSurface) = 0;
    virtual HRESULT SetViewport(const D3DVIEWPORT8* pViewport) = 0;
    virtual HRESULT GetViewport(D3DVIEWPORT8* pViewport) = 0;

    // ---- States
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) = 0;
    virtual HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) = 0;
    // Stages 0..7 hold their values; stages 0 and 1 take part in drawing.
    virtual HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) = 0;
    virtual HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                         DWORD* pValue) = 0;
    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) = 0;
    virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) = 0;
    // Sets State to pMatrix * current (pMatrix applies first).
    virtual HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) = 0;
    // The device holds a reference to a texture while it is set; null reads as opaque white.
    virtual HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) = 0;
    virtual HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL8* pMaterial) = 0;
    virtual HRESULT GetMaterial(D3DMATERIAL8* pMaterial) = 0;
    // Directional lights are lit; point and spot lights are stored but not lit (a message says so).
    virtual HRESULT SetLight(DWORD Index, const D3DLIGHT8* pLight) = 0;
    virtual HRESULT GetLight(DWORD Index, D3DLIGHT8* pLight) = 0;
    virtual HRESULT LightEnable(DWORD Index, BOOL Enable) = 0;
    virtual HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) = 0;

    // ---- Geometry
    // The fixed-function pipeline's vertex format: a D3DFVF_* combination.
    virtual HRESULT SetVertexShader(DWORD Handle) = 0;
    virtual HRESULT GetVertexShader(DWORD* pHandle) = 0;
    virtual HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                                    UINT Stride) = 0;
    virtual HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) = 0;
    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                  UINT PrimitiveCount) = 0;
    virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT MinIndex,
                                         UINT NumVertices, UINT StartIndex, UINT PrimitiveCount) = 0;
    // Draws from caller memory; afterwards stream 0 and the indices are unset, as in Direct3D.
    virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                    const void* pVertexStreamZeroData,
                                    UINT VertexStreamZeroStride) = 0;
    virtual HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex,
                                           UINT NumVertexIndices, UINT PrimitiveCount,
                                           const void* pIndexData, D3DFORMAT IndexDataFormat,
                                           const void* pVertexStreamZeroData,
                                           UINT VertexStreamZeroStride) = 0;

    // ---- Resources
    virtual HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                       IDirect3DVertexBuffer8** ppVertexBuffer) = 0;
    // Format D3DFMT_INDEX16 or D3DFMT_INDEX32.
    virtual HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                      IDirect3DIndexBuffer8** ppIndexBuffer) = 0;
    // Formats A8R8G8B8, X8R8G8B8, R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4, X4R4G4B4, L8, A8 (reads
    // as black with that alpha) and A8L8. Levels 0 makes the full chain down to 1 x 1.
    virtual HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage,
                                  D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture8** ppTexture) = 0;
    // Render-target cube textures (D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT) take A8R8G8B8 or
    // X8R8G8B8.
    virtual HRESULT CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                      D3DPOOL Pool, IDirect3DCubeTexture8** ppCubeTexture) = 0;

    // ---- Extension: the back buffer's pixels, top row first, each a 32-bit A8R8G8B8 value
    // (alpha 0xFF). `pixels` holds Height rows of `pitch` bytes (pitch >= Width * 4).
    virtual HRESULT ReadBackBuffer(void* pixels, UINT pitch) = 0;
    // ---- Extension: starts the renderer on the drawing queued so far and returns at once, so
    // that the caller's own work overlaps it.
    virtual HRESULT Flush() = 0;
    // ---- Extension: back-buffer reads that do not wait for the renderer. QueueBackBufferRead
    // starts copying the back buffer into one of two pixel-pack buffers and returns at once
    // (refused while two reads are queued); TakeBackBufferRead waits for the oldest queued read and
    // writes its pixels as ReadBackBuffer does (S_FALSE and nothing written when none is queued).
    virtual HRESULT QueueBackBufferRead() = 0;
    virtual HRESULT TakeBackBufferRead(void* pixels, UINT pitch) = 0;
};

struct IDirect3D8 : IUnknown {
    virtual UINT GetAdapterCount() = 0;
    virtual HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) = 0;
    virtual HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) = 0;
    // Full screen: BackBufferWidth x BackBufferHeight, shown scaled over the whole desktop.
    // Windowed: the back buffer takes the window's client size when the width and height are 0.
    // The presentation interval ONE, and windowed presentation, wait for the vertical retrace.
    virtual HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                                 DWORD BehaviorFlags, D3DPRESENT_PARAMETERS* pPresentationParameters,
                                 IDirect3DDevice8** ppReturnedDeviceInterface) = 0;
};

// Null when SDKVersion is not D3D_SDK_VERSION (120).
IDirect3D8* Direct3DCreate8(UINT SDKVersion);
