#include "platform/PlatformImage.h"

#include <png.h>

#include <cstdio>

namespace tv {

bool WritePngRgba(const std::string& Path, int32_t Width, int32_t Height, const std::vector<uint8_t>& Rgba) {
  if (Width <= 0 || Height <= 0 || Rgba.size() < static_cast<size_t>(Width) * static_cast<size_t>(Height) * 4) {
    return false;
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(Width);
  image.height = static_cast<png_uint_32>(Height);
  image.format = PNG_FORMAT_RGBA;
  const int ok = png_image_write_to_file(&image, Path.c_str(), 0, Rgba.data(), Width * 4, nullptr);
  png_image_free(&image);
  return ok != 0;
}

}  // namespace tv
