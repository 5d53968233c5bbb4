#include "tools/ToolTextureFiles.h"

#include "base/AppFolders.h"
#include "engine/EngineScript.h"
#include "engine/EngineTextures.h"
#include "platform/PlatformSystem.h"

namespace tv::tool {

namespace {

std::string ReadWhole(const std::string& Path) {
  TFileStream file(Path, TFileStream::Mode::Read);
  return file.IsOpen() ? file.ReadRest() : std::string();
}

}  // namespace

std::vector<std::string> ExpandDataFolders(const std::vector<std::string>& Folders, const std::string& Language) {
  std::vector<std::string> out;
  for (const std::string& f : Folders) {
    if (DirectoryExists(f + "/Ordinary")) {
      out.push_back(f + "/Ordinary");
      // The language folder the game would pick, without its trailing "/".
      const std::string language = LanguageFolderOf(f + "/", Language);
      out.push_back(language.substr(0, language.size() - 1));
    } else {
      out.push_back(f);
    }
  }
  return out;
}

int32_t ReadFontCodePage(const std::vector<std::string>& Folders) {
  for (const std::string& f : Folders) {
    const std::string path = f + "/T2FontCustom.txt";
    if (FileExists(path)) return CodePageFromFontDescription(ReadWhole(path));
  }
  return 1252;
}

std::vector<TVector> ReadSegmentSizes(const std::vector<std::string>& Folders, const std::string& Name,
                                      std::vector<std::string>& Warnings) {
  TTexture texture(Name);
  std::string folder;
  for (const std::string& f : Folders) {
    const std::string tpx = f + "/" + Name + ".tpx";
    const std::string png = f + "/" + Name + ".png";
    const bool packed = FileExists(tpx);
    if (!packed && !FileExists(png)) continue;
    folder = f;
    try {
      const std::string bytes = ReadWhole(packed ? tpx : png);
      const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
      TImage picture;
      if (packed) {
        for (const TPackedChunk& chunk : ParsePackedTexture(data, bytes.size())) {
          if (chunk.Type != 1) continue;
          picture = chunk.Picture;
          break;
        }
      } else {
        picture = DecodePng(data, bytes.size(), false);
      }
      texture.TextureSize = {picture.Width, picture.Height};
      SetSingleSegment(texture, texture.TextureSize);
    } catch (const EError& e) {
      Warnings.push_back("Failed to create texture \"" + Name + "\" (" + e.what() + ")");
      texture.TextureSize = {1, 1};
      SetSingleSegment(texture, texture.TextureSize);
    }
    break;
  }
  if (folder.empty()) {
    Warnings.push_back("Failed to create texture \"" + Name + "\" (Missing file)");
    return {{1, 1}};
  }
  const std::string tsg = folder + "/" + Name + ".tsg";
  if (FileExists(tsg)) {
    try {
      ParseSegments(texture, ReadWhole(tsg));
    } catch (const EError&) {
      Warnings.push_back("Failed to load texture segments \"" + tsg + "\"");
    }
  }
  std::vector<TVector> sizes;
  for (const TSegment& s : *texture.Segments) sizes.push_back(s.PixelSize);
  return sizes;
}

}  // namespace tv::tool
