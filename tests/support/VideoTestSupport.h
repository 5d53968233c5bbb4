// A video device brought up for one test: temporary data folders (common, language, branding),
// the user folder under a temporary XDG_DATA_HOME, and the device itself (the memory device by
// default, so no display is needed).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/AppMain.h"
#include "base/AppFolders.h"
#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"
#include "platform/PlatformGraphics.h"
#include "platform/PlatformImage.h"
#include "support/TestSupport.h"

namespace tv::test {

class TVideoTestEnv {
 public:
  explicit TVideoTestEnv(int32_t Width = 1600, int32_t Height = 900, TGfxBackend Backend = TGfxBackend::Memory,
                         bool Start = true)
      : Xdg("XDG_DATA_HOME", (Dir / "xdg").c_str()), Switches("TOLVAREN_GRAPHICS", nullptr) {
    MakeDirs(Dir / "Ordinary");
    MakeDirs(Dir / "Languages/English");
    MakeDirs(Dir / "Branding");
    InitFoldersFrom(Dir / "tolvaren");
    GfxSwitches() = TGfxSwitches{};
    GfxStats() = TGfxStats{};
    SetVideoOptions({Backend, Width, Height});
    LogStart = GetLogMessages().size();
    if (Start) VideoStartup();
  }
  ~TVideoTestEnv() {
    VideoShutdown();
    DoneFolders();
    GfxSwitches() = TGfxSwitches{};
    SetVideoOptions({});
    SetSegmentNameRules(nullptr, nullptr);
  }
  TVideoTestEnv(const TVideoTestEnv&) = delete;
  TVideoTestEnv& operator=(const TVideoTestEnv&) = delete;

  std::string Ordinary(const std::string& File) const { return Dir / ("Ordinary/" + File); }
  std::string Language(const std::string& File) const { return Dir / ("Languages/English/" + File); }
  std::string Branding(const std::string& File) const { return Dir / ("Branding/" + File); }

  // Log messages written since the environment was made.
  std::vector<std::string> Warnings() const {
    const auto& log = GetLogMessages();
    return {log.begin() + static_cast<std::ptrdiff_t>(std::min(LogStart, log.size())), log.end()};
  }

  TTempDir Dir;

 private:
  TScopedEnv Xdg;
  TScopedEnv Switches;
  size_t LogStart = 0;
};

// A picture of one ARGB colour (bytes B, G, R, A).
inline TImage SolidPicture(int32_t Width, int32_t Height, uint32_t Argb) {
  TImage p;
  p.Width = Width;
  p.Height = Height;
  p.Pitch = Width * 4;
  p.Format = TPixelFormat::A8R8G8B8;
  p.Bytes.resize(static_cast<size_t>(p.Pitch) * static_cast<size_t>(Height));
  for (size_t i = 0; i < p.Bytes.size(); i += 4) {
    p.Bytes[i] = static_cast<uint8_t>(Argb);
    p.Bytes[i + 1] = static_cast<uint8_t>(Argb >> 8);
    p.Bytes[i + 2] = static_cast<uint8_t>(Argb >> 16);
    p.Bytes[i + 3] = static_cast<uint8_t>(Argb >> 24);
  }
  return p;
}

// Writes a packed texture file holding the given frames.
inline void WritePacked(const std::string& Path, const std::vector<TImage>& Frames, float Rate = 0,
                        const std::string& Curve = {}) {
  WriteFile(Path, EncodePackedTexture(Frames, Rate, Curve));
}

// Renders one frame and reads the back buffer as it is presented (RGBA rows, Width x Height into
// Frame); false when the frame could not be rendered.
inline bool RenderAndReadBack(std::vector<uint8_t>& Frame, int32_t& Width, int32_t& Height) {
  GfxSetPresentObserver([&] { Frame = GfxReadBackBuffer(Width, Height); });
  const bool rendered = RenderFrame(nullptr);
  GfxSetPresentObserver(nullptr);
  return rendered;
}

}  // namespace tv::test
