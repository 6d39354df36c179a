// The device protocol's printer families (the ODM type, the first half of a
// PPD's ExtensionAttr PrinterSize) and what sets them apart on the wire.
#pragma once

#include <cstdint>

// The family the driver's PPDs and the application use unless a PPD names
// another: Huffman-coded images, 2592-dot print width.
inline constexpr uint8_t kDefaultOdmType = 28;
// AES-128 encrypted bodies in frames without the A3 1E start, image rows sent
// raw, 96-dot print width.
inline constexpr uint32_t kOdmEncrypted = 163;
// Raw image rows from the application entry points, no serial number at the
// connection start, 96-dot print width.
inline constexpr uint32_t kOdmRawRows = 30;
// Frames closed with a CRC of its own seed.
inline constexpr uint32_t kOdmOwnCrcSeed = 31;
// 384-dot print width.
inline constexpr uint32_t kOdmNarrow = 27;
