// "render": draws one frame of a scene described in JSON, headless, and writes the main canvas
// as a PNG. Content authors preview sprites with it; the golden-image tests draw through it.
//
// The scene:
//   {"size": [W, H],                       window pixels
//    "graphics": "nonpow2=0,a8=0",         device capabilities to take away (optional)
//    "clear": "AARRGGBB",                  the main canvas's clear colour (optional)
//    "canvases": [{"order": N, "size": [w, h], "scale": s, "clear": "AARRGGBB", "format": 0..2,
//                  "tiles": {"origin": [x, y], "cell": [w, h], "columns": c, "rows": r}}],
//    "sprites": [{"canvas": "main" or an index into "canvases", "order": N, "position": [x, y],
//                 "size": [w, h], "scale": s, "angle": a, "orientation": o, "mode": "Default",
//                 "color": [r, g, b, a], "param": p, "visible": true,
//                 "textures": [{"name": s, "segment": i} or {"canvas": index, "segment": i}]}],
//    "effects": [{"name": s, "canvas": "main" or index, "position": [x, y], "order": N, "area": [w, h]}],
//    "time": seconds, "seed": N,       effects are played for "time" seconds in steps of 1/60 s
//                                       (random numbers seeded with "seed", default 1)
//    "texts": [{"canvas": ..., "order": N, "font": 0..5, "box": [w, h], "flags": F,
//               "position": [x, y], "color": [r, g, b], "alpha": a,
//               "text": UTF-8 (held in the fonts' code page) or "hex": bytes as hex digits}],
//    "squares": [{"canvas": ..., "order": N, "border": b, "texture": name, "fill": true,
//                 "position": [x, y], "size": [w, h], "color": [r, g, b], "alpha": a}]}
// Every field but "size" may be left out.
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "app/AppMain.h"
#include "base/AppFolders.h"
#include "engine/EngineEffects.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "engine/EngineVideo.h"
#include "platform/PlatformGraphics.h"
#include "platform/PlatformImage.h"
#include "platform/PlatformSystem.h"
#include "platform/PlatformWindow.h"
#include "tools/ToolCommands.h"

namespace tv::tool {
namespace {

int RunRender(const TArgs& Args);

const TToolCommand RenderCommand = {"render", "SCENE.json -o OUT.png [--data DIR]",
                                    "draws one frame of a JSON scene headless and writes the main canvas as PNG",
                                    RunRender};
TV_TOOL_COMMAND(RenderCommand);

using nlohmann::json;

TVector VectorField(const json& Object, const char* Key, TVector Default) {
  if (!Object.contains(Key)) return Default;
  const json& v = Object.at(Key);
  if (!v.is_array() || v.size() != 2) throw EError(std::string("\"") + Key + "\" must be [x, y]");
  return {v[0].get<float>(), v[1].get<float>()};
}

uint32_t ColorField(const json& Object, const char* Key) {
  if (!Object.contains(Key)) return 0;
  const std::string text = Object.at(Key).get<std::string>();
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 16);
  if (text.empty() || *end != '\0' || text.size() > 8) throw EError(std::string("\"") + Key + "\" must be AARRGGBB");
  return static_cast<uint32_t>(value);
}

// Starts the scene's effects and plays them for its "time" in fixed steps, so that a picture
// shows them at that age and repeats exactly.
template <class TCanvasAt>
void PlayEffects(const json& Scene, const TCanvasAt& CanvasAt) {
  SeedRandom(Scene.value("seed", 1u));
  for (const json& e : Scene.value("effects", json::array())) {
    TPerformer* p = PlayEffect(nullptr, CanvasAt(e.value("canvas", json("main"))), e.value("order", 0),
                               VectorField(e, "position", {0, 0}), GetEffect(e.at("name").get<std::string>()));
    if (p != nullptr) p->Area = VectorField(e, "area", p->Area);
  }
  const double time = Scene.value("time", 0.0);
  if (!(time >= 0 && time <= 3600)) throw EError("\"time\" must be 0 to 3600 seconds");
  constexpr double step = 1.0 / 60.0;
  const auto steps = static_cast<int64_t>(std::floor(time / step));
  for (int64_t i = 0; i < steps; ++i) EffectsUpdateBy(static_cast<float>(step));
  const double rest = time - static_cast<double>(steps) * step;
  if (rest > 1e-7) EffectsUpdateBy(static_cast<float>(rest));
}

TVector3 Color3Field(const json& Object, const char* Key) {
  if (!Object.contains(Key)) return {1, 1, 1};
  const json& v = Object.at(Key);
  if (!v.is_array() || v.size() != 3) throw EError(std::string("\"") + Key + "\" must be [r, g, b]");
  return {v[0].get<float>(), v[1].get<float>(), v[2].get<float>()};
}

std::string HexBytes(const std::string& Hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < Hex.size(); i += 2) {
    char* end = nullptr;
    const std::string pair = Hex.substr(i, 2);
    const long v = std::strtol(pair.c_str(), &end, 16);
    if (*end != '\0') throw EError("\"hex\" must be pairs of hex digits");
    bytes.push_back(static_cast<char>(v));
  }
  if (Hex.size() % 2 != 0) throw EError("\"hex\" must be pairs of hex digits");
  return bytes;
}

void BuildScene(const json& Scene, std::vector<TCanvas*>& Canvases) {
  MainCanvas()->ClearColor = ColorField(Scene, "clear");
  for (const json& c : Scene.value("canvases", json::array())) {
    TCanvas* canvas = nullptr;
    CreateCanvas(canvas, c.value("order", 0), VectorField(c, "size", {DesignWidth, DesignHeight}));
    canvas->FormatIndex = Clamp(c.value("format", 0), 0, 2);
    canvas->SetScale(c.value("scale", 1.0f));
    canvas->ClearColor = ColorField(c, "clear");
    if (c.contains("tiles")) {
      const json& t = c.at("tiles");
      canvas->SetTiles(VectorField(t, "origin", {0, 0}), VectorField(t, "cell", {1, 1}), t.value("columns", 1),
                       t.value("rows", 1));
    }
    Canvases.push_back(canvas);
  }
  auto canvasAt = [&](const json& Ref) -> TCanvas* {
    if (Ref.is_string() && Ref.get<std::string>() == "main") return MainCanvas();
    if (Ref.is_number_integer()) {
      const int64_t i = Ref.get<int64_t>();
      if (i >= 0 && i < static_cast<int64_t>(Canvases.size())) return Canvases[static_cast<size_t>(i)];
    }
    throw EError("a canvas reference must be \"main\" or an index into \"canvases\"");
  };
  for (const json& s : Scene.value("sprites", json::array())) {
    TSprite* sprite = nullptr;
    CreateSprite(sprite, canvasAt(s.value("canvas", json("main"))), s.value("order", 0));
    sprite->Position = VectorField(s, "position", {0, 0});
    sprite->Size = VectorField(s, "size", {100, 100});
    sprite->Scale = s.value("scale", 1.0f);
    sprite->Angle = s.value("angle", 0.0f);
    sprite->Orientation = Clamp(s.value("orientation", 0), 0, 7);
    sprite->Visible = s.value("visible", true);
    if (s.contains("mode")) {
      const json& mode = s.at("mode");
      sprite->Mode = mode.is_string() ? FindShadingMode(mode.get<std::string>())
                                      : Clamp(mode.get<int32_t>(), 0, ShadingModeCount - 1);
    }
    if (s.contains("color")) {
      const json& c = s.at("color");
      if (!c.is_array() || c.size() != 4) throw EError("\"color\" must be [r, g, b, a]");
      sprite->Color = {c[0].get<float>(), c[1].get<float>(), c[2].get<float>(), c[3].get<float>()};
    }
    sprite->Param = s.value("param", 0.0f);
    int32_t stage = 0;
    for (const json& t : s.value("textures", json::array())) {
      if (stage >= TextureStages) throw EError("a sprite has at most four textures");
      if (t.contains("canvas")) {
        sprite->SetTexture(stage, canvasAt(t.at("canvas"))->Target.get());
      } else {
        sprite->SetTextureName(stage, t.value("name", std::string()));
      }
      sprite->SetSegment(stage, t.value("segment", 0));
      ++stage;
    }
  }
  PlayEffects(Scene, canvasAt);
  for (const json& t : Scene.value("texts", json::array())) {
    TText* text = nullptr;
    CreateText(text, canvasAt(t.value("canvas", json("main"))), t.value("order", 0), VectorField(t, "box", {400, 100}),
               Clamp(t.value("font", 0), 0, FontStyleCount - 1), t.value("flags", 0));
    text->SetPosition(VectorField(t, "position", {0, 0}));
    text->SetColor(Color3Field(t, "color"));
    text->SetAlpha(t.value("alpha", 1.0f));
    text->SetText(t.contains("hex") ? HexBytes(t.at("hex").get<std::string>()) : Utf8ToNarrow(t.value("text", "")));
  }
  for (const json& q : Scene.value("squares", json::array())) {
    TSquare* square = nullptr;
    CreateSquare(square, canvasAt(q.value("canvas", json("main"))), q.value("order", 0), q.value("border", 16),
                 q.value("texture", std::string()), q.value("fill", false));
    square->SetPosition(VectorField(q, "position", {0, 0}));
    square->SetSize(VectorField(q, "size", square->Size));
    square->SetColor(Color3Field(q, "color"));
    square->SetAlpha(q.value("alpha", 1.0f));
  }
}

bool WantsTexts(const json& Scene) { return Scene.contains("texts") || Scene.contains("squares"); }

// The fonts' code page, as the text table reads it, so that "text" is held as the game holds it.
void UseFontCodePage() {
  for (TFolderKind kind : {TFolderKind::Language, TFolderKind::Ordinary}) {
    if (!DataFileExists(kind, "T2FontCustom", TExtKind::Txt)) continue;
    SetCodePage(CodePageFromFontDescription(ReadDataText(kind, "T2FontCustom", TExtKind::Txt)));
    return;
  }
}

int RunRender(const TArgs& Args) {
  std::string scenePath;
  std::string output;
  std::string data;
  if (const int code = ReadArgs(RenderCommand, Args,
                                {{"-o", &output, "-o needs a value"}, {"--data", &data, "--data needs a value"}},
                                {.One = &scenePath, .TooMany = "one scene only"})) {
    return code;
  }
  if (scenePath.empty() || output.empty()) return UsageError(RenderCommand, "needs a scene and -o");
  json scene;
  int32_t width = 0;
  int32_t height = 0;
  try {
    std::ifstream in(scenePath);
    if (!in) throw EError("cannot read \"" + scenePath + "\"");
    scene = json::parse(in);
    const TVector size = VectorField(scene, "size", {0, 0});
    width = static_cast<int32_t>(size.X);
    height = static_cast<int32_t>(size.Y);
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) throw EError("\"size\" must be [W, H] in pixels");
  } catch (const std::exception& e) {
    return Failure(RenderCommand, e.what());
  }

  // Headless unless asked otherwise: the off-screen video driver still gives a real GL context.
  if (std::getenv("SDL_VIDEODRIVER") == nullptr) SetEnvValue("SDL_VIDEODRIVER", "offscreen");
  int code = 0;
  std::vector<uint8_t> frame;
  int32_t frameWidth = 0;
  int32_t frameHeight = 0;
  std::string error;
  try {
    InitDataFolders(data);
    if (!PlatformOpenWindow("tolvaren-tool render", error)) throw EError("no window: " + error);
    ParseGfxSwitches(scene.value("graphics", std::string()), GfxSwitches());
    SetVideoOptions({TGfxBackend::OpenGL, width, height});
    VideoStartup();
    if (WantsTexts(scene)) {
      UseFontCodePage();
      TextsStartup();
    }
    EffectsStartup();
    std::vector<TCanvas*> canvases;
    BuildScene(scene, canvases);
    GfxSetPresentObserver([&] { frame = GfxReadBackBuffer(frameWidth, frameHeight); });
    if (!RenderFrame(nullptr) || frame.empty()) throw EError("the frame could not be drawn");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tolvaren-tool render: %s\n", e.what());
    code = 1;
  }
  for (const std::string& line : GetLogMessages()) std::fprintf(stderr, "%s\n", line.c_str());
  EffectsShutdown();
  TextsShutdown();
  VideoShutdown();
  PlatformCloseWindow();
  if (code == 0 && !WritePngRgba(output, frameWidth, frameHeight, frame)) {
    std::fprintf(stderr, "tolvaren-tool render: cannot write \"%s\"\n", output.c_str());
    code = 1;
  }
  return code;
}

}  // namespace
}  // namespace tv::tool
