#include "tools/ToolTextureFiles.h"

#include <cstring>

#include "platform/PlatformSystem.h"

namespace tv::tool {

namespace {

std::string ReadWhole(const std::string& Path) {
  TFileStream file(Path, TFileStream::Mode::Read);
  return file.IsOpen() ? file.ReadRest() : std::string();
}

uint32_t Le32(const std::string& B, size_t At) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(B[At + static_cast<size_t>(i)]);
  return v;
}

uint32_t Be32(const std::string& B, size_t At) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<uint8_t>(B[At + static_cast<size_t>(i)]);
  return v;
}

// Tokens of the segment and description files: runs of "-", digits, letters and "_".
std::vector<std::string> Tokens(const std::string& Text) {
  std::vector<std::string> out;
  std::string token;
  for (char c : Text) {
    const bool part = c == '-' || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (part) {
      token.push_back(c);
    } else if (!token.empty()) {
      out.push_back(token);
      token.clear();
    }
  }
  if (!token.empty()) out.push_back(token);
  return out;
}

bool ToInt(const std::string& Token, int64_t& Value) {
  if (Token.empty()) return false;
  char* end = nullptr;
  Value = std::strtoll(Token.c_str(), &end, 10);
  return *end == '\0';
}

}  // namespace

std::vector<std::string> ExpandDataFolders(const std::vector<std::string>& Folders, const std::string& Language) {
  std::vector<std::string> out;
  for (const std::string& f : Folders) {
    if (DirectoryExists(f + "/Ordinary")) {
      out.push_back(f + "/Ordinary");
      out.push_back(f + "/Languages/" + Language);
    } else {
      out.push_back(f);
    }
  }
  return out;
}

int32_t ReadFontCodePage(const std::vector<std::string>& Folders) {
  for (const std::string& f : Folders) {
    const std::string path = f + "/T2FontCustom.txt";
    if (!FileExists(path)) continue;
    const std::vector<std::string> tokens = Tokens(ReadWhole(path));
    for (size_t i = 0; i < tokens.size(); ++i) {
      if (tokens[i] != "CodePageIdentifier") continue;
      int64_t v = 0;
      if (i + 1 < tokens.size() && ToInt(tokens[i + 1], v) && v > 0 && v < 65536) return static_cast<int32_t>(v);
      return 1252;
    }
    return 1252;
  }
  return 1252;
}

std::vector<TVector> ReadSegmentSizes(const std::vector<std::string>& Folders, const std::string& Name,
                                      std::vector<std::string>& Warnings) {
  std::vector<TVector> segments;
  std::string folder;
  for (const std::string& f : Folders) {
    const std::string tpx = f + "/" + Name + ".tpx";
    const std::string png = f + "/" + Name + ".png";
    if (FileExists(tpx)) {
      const std::string bytes = ReadWhole(tpx);
      // The first chunk's picture: size, type 1, reserved, width, height.
      if (bytes.size() >= 20 && Le32(bytes, 4) == 1) {
        segments.push_back({static_cast<float>(static_cast<int32_t>(Le32(bytes, 12))),
                            static_cast<float>(static_cast<int32_t>(Le32(bytes, 16)))});
      }
    } else if (FileExists(png)) {
      const std::string bytes = ReadWhole(png);
      if (bytes.size() >= 24 && std::memcmp(bytes.data() + 12, "IHDR", 4) == 0) {
        segments.push_back({static_cast<float>(Be32(bytes, 16)), static_cast<float>(Be32(bytes, 20))});
      }
    } else {
      continue;
    }
    folder = f;
    break;
  }
  if (folder.empty() || segments.empty()) {
    Warnings.push_back("Failed to create texture \"" + Name + "\" (" + (folder.empty() ? "Missing file" : "Bad file") + ")");
    return {{1, 1}};
  }
  const std::string tsg = folder + "/" + Name + ".tsg";
  if (!FileExists(tsg)) return segments;
  const std::vector<std::string> tokens = Tokens(ReadWhole(tsg));
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i] == "SEGMENTS" && i + 1 < tokens.size()) {
      int64_t n = 0;
      if (!ToInt(tokens[++i], n)) break;
      n = n < 1 ? 1 : (n > 4096 ? 4096 : n);
      segments.resize(static_cast<size_t>(n), segments[0]);
    } else if (tokens[i] == "SEGMENT" && i + 5 < tokens.size()) {
      int64_t v[5] = {};
      bool ok = true;
      for (int k = 0; k < 5; ++k) ok = ok && ToInt(tokens[i + 1 + static_cast<size_t>(k)], v[k]);
      if (!ok || v[0] < 0 || v[0] >= static_cast<int64_t>(segments.size())) {
        Warnings.push_back("Failed to load texture segments \"" + tsg + "\"");
        break;
      }
      segments[static_cast<size_t>(v[0])] = {static_cast<float>(v[3]), static_cast<float>(v[4])};
      i += 5;
    }
  }
  return segments;
}

}  // namespace tv::tool
