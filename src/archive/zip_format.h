#pragma once

#include <cstddef>
#include <cstdint>

// Record layouts of the ZIP format shared by the reader and the writer.
namespace tavrin::zip {

inline constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
inline constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
inline constexpr uint32_t kEndRecordSignature = 0x06054B50;
inline constexpr uint32_t kDataDescriptorSignature = 0x08074B50;
inline constexpr uint32_t kZip64EndRecordSignature = 0x06064B50;
inline constexpr uint32_t kZip64LocatorSignature = 0x07064B50;

inline constexpr size_t kLocalHeaderSize = 30;
inline constexpr size_t kCentralHeaderSize = 46;
inline constexpr size_t kEndRecordSize = 22;
inline constexpr size_t kZip64EndRecordSize = 56;  // without extensible data
inline constexpr size_t kZip64LocatorSize = 20;

// A 32-bit size or offset with this value stands for a 64-bit one in the ZIP64 extra field.
inline constexpr uint32_t kZip64Marker = 0xFFFFFFFF;
inline constexpr uint16_t kZip64ExtraTag = 0x0001;

inline constexpr uint16_t kMethodStored = 0;
inline constexpr uint16_t kMethodDeflated = 8;
inline constexpr uint16_t kFlagEncrypted = 1u << 0;
inline constexpr uint16_t kFlagDataDescriptor = 1u << 3;

}  // namespace tavrin::zip
