// "texture sheet": a contact sheet of every texture of a program folder's common data, for
// review: each texture's name, picture size and segment count, then every segment drawn at a
// size that fits its cell (keeping its aspect) over a grey checker, with its number under it.
// The sheet is drawn in pages of the design screen by "render" and the pages are stacked.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/EngineTextures.h"
#include "platform/PlatformImage.h"
#include "platform/PlatformSystem.h"
#include "tools/ToolCommands.h"
#include "tools/ToolTextureFiles.h"

namespace tv::tool {
namespace {

int RunSheet(const TArgs& Args);

const TToolCommand SheetCommand = {"texture sheet", "--data DIR -o OUT.png",
                                   "draws a contact sheet of every texture in DIR/Ordinary with its name and "
                                   "segment numbers",
                                   RunSheet};
TV_TOOL_COMMAND(SheetCommand);

namespace fs = std::filesystem;
using nlohmann::json;

constexpr float PageW = 1600;
constexpr float PageH = 900;
constexpr float Margin = 12;

struct TPage {
  json Sprites = json::array();
  json Texts = json::array();
};

std::string Quote(const std::string& S) { return "'" + S + "'"; }

int RunSheet(const TArgs& Args) {
  std::string data;
  std::string output;
  for (size_t i = 0; i < Args.size(); ++i) {
    if (Args[i] == "--data" && i + 1 < Args.size())
      data = Args[++i];
    else if (Args[i] == "-o" && i + 1 < Args.size())
      output = Args[++i];
    else
      return UsageError(SheetCommand, "unknown argument \"" + Args[i] + "\"");
  }
  if (data.empty() || output.empty()) return UsageError(SheetCommand, "needs --data and -o");
  const fs::path ordinary = fs::path(data) / "Ordinary";
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(ordinary, error)) {
    const std::string ext = entry.path().extension().string();
    if (ext == ".tpx" || ext == ".png") names.push_back(entry.path().stem().string());
  }
  if (error || names.empty()) {
    std::fprintf(stderr, "tolvaren-tool texture sheet: no textures in \"%s\"\n", ordinary.string().c_str());
    return 1;
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());

  std::vector<TPage> pages(1);
  float y = -PageH / 2 + Margin;
  for (const std::string& name : names) {
    std::vector<std::string> warnings;
    const std::vector<TVector> sizes = ReadSegmentSizes({ordinary.string()}, name, warnings);
    // Many segments get small cells.
    const bool small = sizes.size() > 60;
    const float cellW = small ? 60.0f : 100.0f;
    const float cellH = small ? 50.0f : 96.0f;
    const float labelH = small ? 14.0f : 20.0f;
    const auto perRow = static_cast<size_t>((PageW - 2 * Margin) / cellW);
    const size_t rows = (sizes.size() + perRow - 1) / perRow;
    const float blockH = 30 + static_cast<float>(rows) * cellH + 8;
    if (y + blockH > PageH / 2 - Margin && y > -PageH / 2 + Margin) {
      pages.emplace_back();
      y = -PageH / 2 + Margin;
    }
    TPage& page = pages.back();
    std::string caption = name + "   " + std::to_string(sizes.size()) + (sizes.size() == 1 ? " segment" : " segments");
    if (!warnings.empty()) caption += "   (" + warnings.front() + ")";
    page.Texts.push_back({{"font", 1},
                          {"flags", 1},
                          {"box", {PageW - 2 * Margin, 28}},
                          {"position", {0, y + 14}},
                          {"color", {1, 0.9, 0.6}},
                          {"text", caption}});
    y += 30;
    for (size_t i = 0; i < sizes.size(); ++i) {
      const float cx = -PageW / 2 + Margin + (static_cast<float>(i % perRow) + 0.5f) * cellW;
      const float top = y + static_cast<float>(i / perRow) * cellH;
      const float boxW = cellW - 6;
      const float boxH = cellH - labelH - 4;
      const TVector s = sizes[i];
      const float k = std::min(boxW / std::max(1.0f, s.X), boxH / std::max(1.0f, s.Y));
      const float cy = top + 2 + boxH / 2;
      // A checker under the segment shows what is transparent.
      page.Sprites.push_back({{"order", 0},
                              {"position", {cx, cy}},
                              {"size", {boxW, boxH}},
                              {"mode", "OnlyTint"},
                              {"color", {0.42, 0.42, 0.42, 1}}});
      page.Sprites.push_back({{"order", 1},
                              {"position", {cx - boxW / 4, cy - boxH / 4}},
                              {"size", {boxW / 2, boxH / 2}},
                              {"mode", "OnlyTint"},
                              {"color", {0.55, 0.55, 0.55, 1}}});
      page.Sprites.push_back({{"order", 1},
                              {"position", {cx + boxW / 4, cy + boxH / 4}},
                              {"size", {boxW / 2, boxH / 2}},
                              {"mode", "OnlyTint"},
                              {"color", {0.55, 0.55, 0.55, 1}}});
      page.Sprites.push_back({{"order", 2},
                              {"position", {cx, cy}},
                              {"size", {s.X * k, s.Y * k}},
                              {"textures", {{{"name", name}, {"segment", i}}}}});
      page.Texts.push_back({{"font", 0},
                            {"box", {cellW, labelH}},
                            {"position", {cx, top + cellH - labelH / 2 - 1}},
                            {"text", std::to_string(i)}});
    }
    y += static_cast<float>(rows) * cellH + 8;
  }

  // Each page is drawn by "render" into a temporary PNG; the pages are then stacked.
  const fs::path temp = fs::temp_directory_path() / ("tolvaren-sheet-" + std::to_string(std::rand()));
  fs::create_directories(temp, error);
  std::vector<uint8_t> rgba;
  int32_t width = 0;
  int32_t height = 0;
  int result = 0;
  for (size_t p = 0; p < pages.size() && result == 0; ++p) {
    const json scene = {
        {"size", {PageW, PageH}}, {"clear", "FF2A2420"}, {"sprites", pages[p].Sprites}, {"texts", pages[p].Texts}};
    const fs::path sceneFile = temp / ("page" + std::to_string(p) + ".json");
    const fs::path pageFile = temp / ("page" + std::to_string(p) + ".png");
    std::ofstream(sceneFile) << scene.dump();
    const std::string command = Quote(ProgramFilePath()) + " render " + Quote(sceneFile.string()) + " -o " +
                                Quote(pageFile.string()) + " --data " + Quote(data);
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr, "tolvaren-tool texture sheet: drawing page %zu failed\n", p + 1);
      result = 1;
      break;
    }
    std::ifstream in(pageFile, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    try {
      const TImage page = DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), false);
      if (width != 0 && page.Width != width) throw EError("pages of different widths");
      width = page.Width;
      height += page.Height;
      for (int32_t row = 0; row < page.Height; ++row) {
        const uint8_t* from = page.Bytes.data() + static_cast<size_t>(row) * static_cast<size_t>(page.Pitch);
        for (int32_t x = 0; x < page.Width; ++x) {
          const uint8_t* px = from + 4 * static_cast<size_t>(x);  // B, G, R, A
          rgba.insert(rgba.end(), {px[2], px[1], px[0], 255});
        }
      }
    } catch (const EError& e) {
      std::fprintf(stderr, "tolvaren-tool texture sheet: page %zu: %s\n", p + 1, e.what());
      result = 1;
    }
  }
  fs::remove_all(temp, error);
  if (result != 0) return result;
  if (!WritePngRgba(output, width, height, rgba)) {
    std::fprintf(stderr, "tolvaren-tool texture sheet: cannot write \"%s\"\n", output.c_str());
    return 1;
  }
  std::printf("%zu textures on %zu pages\n", names.size(), pages.size());
  return 0;
}

}  // namespace
}  // namespace tv::tool
