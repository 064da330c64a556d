#pragma once
// Chunk ids of the 3D Studio file format that CImp_3DS understands. A chunk is
// a 6-byte header (16-bit id, 32-bit length including the header) followed by
// its payload, which may itself hold chunks.
#include <cstdint>

namespace ks::readers::modConst3DS {

inline constexpr int32_t kChunkHeaderSize = 6;

// File structure
inline constexpr uint16_t MAIN3DS = 0x4D4D;
inline constexpr uint16_t VERSION = 0x0002;
inline constexpr uint16_t EDITOR = 0x3D3D;
inline constexpr uint16_t KEYFRAMER = 0xB000;
inline constexpr uint16_t MESH_VERSION = 0x3D3E;

// Sub-chunks of colours and percentages
inline constexpr uint16_t COLOR_FLOAT = 0x0010;       // 3 Singles R, G, B (0..1)
inline constexpr uint16_t COLOR_24 = 0x0011;          // 3 bytes R, G, B
inline constexpr uint16_t LIN_COLOR_24 = 0x0012;      // 3 bytes, replaces the colour before it
inline constexpr uint16_t INT_PERCENTAGE = 0x0030;    // 16-bit signed, hundredths
inline constexpr uint16_t FLOAT_PERCENTAGE = 0x0031;  // Single

// Materials
inline constexpr uint16_t MATERIAL = 0xAFFF;
inline constexpr uint16_t MAT_NAME = 0xA000;
inline constexpr uint16_t MAT_AMBIENT = 0xA010;
inline constexpr uint16_t MAT_DIFFUSE = 0xA020;
inline constexpr uint16_t MAT_SPECULAR = 0xA030;
inline constexpr uint16_t MAT_SHININESS = 0xA040;
inline constexpr uint16_t MAT_SHIN2PCT = 0xA041;
inline constexpr uint16_t MAT_SHIN3PCT = 0xA042;
inline constexpr uint16_t MAT_TRANSPARENCY = 0xA050;

// Objects
inline constexpr uint16_t NAMED_OBJECT = 0x4000;
inline constexpr uint16_t OBJ_HIDDEN = 0x4010;
inline constexpr uint16_t N_TRI_OBJECT = 0x4100;
inline constexpr uint16_t POINT_ARRAY = 0x4110;
inline constexpr uint16_t POINT_FLAG_ARRAY = 0x4111;
inline constexpr uint16_t FACE_ARRAY = 0x4120;
inline constexpr uint16_t MSH_MAT_GROUP = 0x4130;
inline constexpr uint16_t SMOOTH_GROUP = 0x4150;
inline constexpr uint16_t MESH_MATRIX = 0x4160;
inline constexpr uint16_t MESH_COLOR = 0x4165;

}  // namespace ks::readers::modConst3DS
