// "texture pack" and "texture info": making packed textures from PNG pictures, and showing how
// the game would load a texture by name.
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "app/AppMain.h"
#include "base/AppFolders.h"
#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"
#include "tools/ToolCommands.h"

namespace tv::tool {
namespace {

int RunPack(const TArgs& Args);
int RunInfo(const TArgs& Args);

const TToolCommand PackCommand = {
    "texture pack", "IN.png [IN2.png ...] [--fps F] [--curve C] [--format argb|a8|l8|a8l8] -o OUT.tpx",
    "packs one picture, or the frames of an animation, into a packed texture (argb is premultiplied)", RunPack};
const TToolCommand InfoCommand = {"texture info", "NAME [--data DIR]",
                                  "prints as JSON where the game finds a texture, its size, frames, animation "
                                  "and segments",
                                  RunInfo};
TV_TOOL_COMMAND(PackCommand);
TV_TOOL_COMMAND(InfoCommand);

// Converts a decoded picture (A8R8G8B8, colours as stored) to the packed format.
TImage ConvertPicture(const TImage& Raw, TPixelFormat Format) {
  if (Format == TPixelFormat::A8R8G8B8) {
    TImage p = Raw;
    PremultiplyPng(p);
    return p;
  }
  TImage p;
  p.Width = Raw.Width;
  p.Height = Raw.Height;
  p.Format = Format;
  p.Pitch = p.Width * FormatBytesPerPixel(Format);
  p.Bytes.resize(static_cast<size_t>(p.Pitch) * static_cast<size_t>(p.Height));
  for (int32_t y = 0; y < p.Height; ++y) {
    const uint8_t* from = Raw.Bytes.data() + static_cast<size_t>(y) * static_cast<size_t>(Raw.Pitch);
    uint8_t* to = p.Bytes.data() + static_cast<size_t>(y) * static_cast<size_t>(p.Pitch);
    for (int32_t x = 0; x < p.Width; ++x) {
      const uint8_t* px = from + 4 * static_cast<size_t>(x);
      const auto luminance = static_cast<uint8_t>((299 * px[2] + 587 * px[1] + 114 * px[0] + 500) / 1000);
      const size_t i = static_cast<size_t>(x);
      switch (Format) {
        case TPixelFormat::A8: to[i] = px[3]; break;
        case TPixelFormat::L8: to[i] = luminance; break;
        default:
          to[2 * i] = luminance;
          to[2 * i + 1] = px[3];
          break;
      }
    }
  }
  return p;
}

int RunPack(const TArgs& Args) {
  std::vector<std::string> inputs;
  std::string output;
  std::string curve;
  float fps = 0;
  TPixelFormat format = TPixelFormat::A8R8G8B8;
  for (size_t i = 0; i < Args.size(); ++i) {
    const std::string& a = Args[i];
    auto value = [&]() -> const std::string* { return i + 1 < Args.size() ? &Args[++i] : nullptr; };
    if (a == "-o") {
      const std::string* v = value();
      if (v == nullptr) return UsageError(PackCommand, "-o needs a file");
      output = *v;
    } else if (a == "--fps") {
      const std::string* v = value();
      char* end = nullptr;
      if (v == nullptr || (fps = std::strtof(v->c_str(), &end), *end != '\0'))
        return UsageError(PackCommand, "--fps needs a number");
    } else if (a == "--curve") {
      const std::string* v = value();
      if (v == nullptr) return UsageError(PackCommand, "--curve needs a curve");
      curve = *v;
    } else if (a == "--format") {
      const std::string* v = value();
      if (v == nullptr) return UsageError(PackCommand, "--format needs a format");
      if (*v == "argb")
        format = TPixelFormat::A8R8G8B8;
      else if (*v == "a8")
        format = TPixelFormat::A8;
      else if (*v == "l8")
        format = TPixelFormat::L8;
      else if (*v == "a8l8")
        format = TPixelFormat::A8L8;
      else
        return UsageError(PackCommand, "unknown format \"" + *v + "\"");
    } else if (!a.empty() && a[0] == '-') {
      return UsageError(PackCommand, "unknown option \"" + a + "\"");
    } else {
      inputs.push_back(a);
    }
  }
  if (inputs.empty() || output.empty()) return UsageError(PackCommand, "needs at least one picture and -o");
  std::vector<TImage> frames;
  for (const std::string& path : inputs) {
    std::string bytes;
    if (!ReadBytes(path, bytes)) {
      std::fprintf(stderr, "tolvaren-tool texture pack: cannot read \"%s\"\n", path.c_str());
      return 1;
    }
    try {
      frames.push_back(
          ConvertPicture(DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), false), format));
    } catch (const EError& e) {
      std::fprintf(stderr, "tolvaren-tool texture pack: \"%s\": %s\n", path.c_str(), e.what());
      return 1;
    }
  }
  const std::string packed = EncodePackedTexture(frames, fps, curve);
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  if (!out || !out.write(packed.data(), static_cast<std::streamsize>(packed.size()))) {
    std::fprintf(stderr, "tolvaren-tool texture pack: cannot write \"%s\"\n", output.c_str());
    return 1;
  }
  return 0;
}

nlohmann::json Pair(float X, float Y) { return nlohmann::json::array({X, Y}); }

int RunInfo(const TArgs& Args) {
  std::string name;
  std::string data;
  if (const int code = ReadArgs(InfoCommand, Args, {{"--data", &data, "--data needs a folder"}},
                                {.One = &name, .TooMany = "one name only"})) {
    return code;
  }
  if (name.empty()) return UsageError(InfoCommand, "needs a texture name");
  InitDataFolders(data);
  // Loading needs a device but no window: the memory device keeps the pictures as bytes.
  SetVideoOptions({TGfxBackend::Memory, 1600, 900});
  nlohmann::json out;
  try {
    VideoStartup();
    TFolderKind folder{};
    TExtKind ext{};
    const bool found = FindTextureFile(name, folder, ext);
    TTexture* texture = LoadTexture(name);
    out["name"] = name;
    out["file"] = found ? nlohmann::json(DataFilePath(folder, name, ext)) : nlohmann::json(nullptr);
    static const char* const FolderNames[] = {"Program", "Branding", "Language", "Ordinary", "User"};
    out["folder"] = found ? nlohmann::json(FolderNames[static_cast<int>(folder)]) : nlohmann::json(nullptr);
    const TSegment* first = texture->SegmentAt(0);
    out["texture_size"] = {texture->TextureSize.X, texture->TextureSize.Y};
    static const std::pair<TPixelFormat, const char*> FormatNames[] = {
        {TPixelFormat::A8R8G8B8, "argb"}, {TPixelFormat::X8R8G8B8, "xrgb"}, {TPixelFormat::R5G6B5, "r5g6b5"},
        {TPixelFormat::A8, "a8"},         {TPixelFormat::L8, "l8"},         {TPixelFormat::A8L8, "a8l8"}};
    out["format"] = nullptr;
    for (const auto& [format, formatName] : FormatNames) {
      if (texture->DeviceTexture && GfxTextureFormat(texture->DeviceTexture.get()) == format)
        out["format"] = formatName;
    }
    out["size"] = first != nullptr ? Pair(first->PixelSize.X, first->PixelSize.Y) : Pair(0, 0);
    out["frames"] = texture->FrameCount();
    out["frame_rate"] = texture->FrameRate();
    out["frame_curve"] = texture->FrameCurve();
    auto* image = dynamic_cast<TBaseImageTexture*>(texture);
    out["segments_name"] = image != nullptr ? image->SegmentsName : std::string();
    out["segments"] = nlohmann::json::array();
    for (int32_t i = 0; i < texture->SegmentCount(); ++i) {
      const TSegment& s = (*texture->Segments)[static_cast<size_t>(i)];
      out["segments"].push_back({{"uv_scale", Pair(s.UVScale.X, s.UVScale.Y)},
                                 {"uv_offset", Pair(s.UVOffset.X, s.UVOffset.Y)},
                                 {"pixel_size", Pair(s.PixelSize.X, s.PixelSize.Y)}});
    }
    out["warnings"] = GetLogMessages();
  } catch (const EError& e) {
    VideoShutdown();
    return Failure(InfoCommand, e.what());
  }
  VideoShutdown();
  std::printf("%s\n", out.dump(2).c_str());
  return 0;
}

}  // namespace
}  // namespace tv::tool
