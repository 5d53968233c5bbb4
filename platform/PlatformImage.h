// Writing pictures to files (screenshots, tool output).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tv {

// Writes top-down RGBA rows (4 bytes a pixel) as an 8-bit RGBA PNG; false on failure.
bool WritePngRgba(const std::string& Path, int32_t Width, int32_t Height, const std::vector<uint8_t>& Rgba);
// Writes top-down RGB rows (3 bytes a pixel) as an opaque 8-bit RGB PNG; false on failure.
bool WritePngRgb(const std::string& Path, int32_t Width, int32_t Height, const std::vector<uint8_t>& Rgb);

}  // namespace tv
