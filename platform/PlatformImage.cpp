#include "platform/PlatformImage.h"

#include <png.h>

#include <cstdio>

namespace tv {

namespace {

bool WritePng(const std::string& Path, int32_t Width, int32_t Height, const std::vector<uint8_t>& Rows, uint32_t Format,
              int32_t Channels) {
  if (Width <= 0 || Height <= 0 ||
      Rows.size() < static_cast<size_t>(Width) * static_cast<size_t>(Height) * static_cast<size_t>(Channels)) {
    return false;
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(Width);
  image.height = static_cast<png_uint_32>(Height);
  image.format = Format;
  const int ok = png_image_write_to_file(&image, Path.c_str(), 0, Rows.data(), Width * Channels, nullptr);
  png_image_free(&image);
  return ok != 0;
}

}  // namespace

bool WritePngRgba(const std::string& Path, int32_t Width, int32_t Height, const std::vector<uint8_t>& Rgba) {
  return WritePng(Path, Width, Height, Rgba, PNG_FORMAT_RGBA, 4);
}

bool WritePngRgb(const std::string& Path, int32_t Width, int32_t Height, const std::vector<uint8_t>& Rgb) {
  return WritePng(Path, Width, Height, Rgb, PNG_FORMAT_RGB, 3);
}

}  // namespace tv
