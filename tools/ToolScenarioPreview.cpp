// "scenario preview": the scene dialog of any scene as the player would see it, fully faded in at
// its place over the site's region, written as a picture; with --all one picture per scene and an
// index page. Texts squeezed below 80 % of their size, or lying outside the dialog or the screen,
// are reported (exit 1), so that an author sees every text fits in every language without playing.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/AppFolders.h"
#include "app/AppGame.h"
#include "app/AppMain.h"
#include "base/AppTimer.h"
#include "engine/EngineEffects.h"
#include "engine/EngineGui.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"
#include "game/GameAvatar.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameRegion.h"
#include "game/GameScenario.h"
#include "game/GameScene.h"
#include "game/GameScreenNames.h"
#include "game/GameSite.h"
#include "game/gui/GameGuiControls.h"
#include "game/gui/GameGuiDialogScene.h"
#include "game/gui/GameGuiDialogBase.h"
#include "platform/PlatformGraphics.h"
#include "platform/PlatformImage.h"
#include "platform/PlatformSystem.h"
#include "platform/PlatformWindow.h"
#include "tools/ToolCommands.h"
#include "tools/ToolScenario.h"

namespace tv::tool {
namespace {

int RunPreview(const TArgs& Args);

const TToolCommand PreviewCommand{
    "scenario preview",
    "SRC...|S0Scenario.dat (--scene N -o OUT.png | --all DIR) [--language NAME] [--data DIR] [--crop]",
    "draws the scene dialog of a scene (or of every scene, with an index.html) as the player sees it and reports "
    "texts squeezed below 80 % or cut off; exit 1 when there are any; --crop keeps only the dialog and a margin",
    RunPreview};

constexpr int32_t ScreenWidth = 1600;
constexpr int32_t ScreenHeight = 900;
constexpr float SqueezeLimit = 0.8f;
constexpr int FadeFrames = 8;  // the dialogs fade in for 0.3 s
constexpr double PreviewFrameTime = 0.05;

// The region's picture behind the dialog, over the whole screen.
class TPreviewBackground : public TGuiForm {
 public:
  using TGuiForm::TGuiForm;
  std::string Picture;
  void OnShow() override {
    const TVector size = Canvas != nullptr ? Canvas->Size : TVector{ScreenWidth, ScreenHeight};
    PlaceBox(*this, 0, 0, size.X, size.Y);
    AddControl<TGuiControlPicture>(0, PropTexture, Picture.empty() ? std::string("G2BackgroundForm") : Picture);
  }
};

struct TTextProblem {
  std::string Text;
  float Squeeze = 1;
  bool Cut = false;
};

struct TPreviewResult {
  TScene* Scene = nullptr;
  std::string File;
  std::vector<TTextProblem> Problems;
};

std::string KindName(int32_t Kind) { return SceneKind(Kind).Name; }

std::string SiteLabel(const TSite* Site) {
  if (Site == nullptr) return "?";
  return Site->Name + " " + std::to_string(Site->Number);
}

std::string Shorten(const std::string& Text) {
  std::string out;
  for (char c : Text) out += (c == '\n' || c == '\r') ? ' ' : c;
  return out.size() > 40 ? out.substr(0, 37) + "..." : out;
}

// One frame of the screens without drawing it.
void Frame() {
  UpdateTimer();
  UpdateGui();
  EffectsUpdate();
  UpdateTexts();
}

// How much each wrapped text of the dialog is squeezed, and whether it lies outside the dialog or
// the screen.
std::vector<TTextProblem> CheckTexts(TGuiDialogScene& Dialog) {
  std::vector<TTextProblem> out;
  const TGuiRect box = Dialog.Box;
  for (TItem* item : Dialog.Controls) {
    auto* c = static_cast<TGuiControl*>(item);
    if ((c->ParamByte & WordWrap) == 0 || c->Text.empty() || !c->Visible) continue;
    TVector size;
    int32_t lines = 0;
    MeasureText(c->Text, c->ParamF, c->Size.X, size, lines);
    const float height = static_cast<float>(lines) * FontLineHeight(c->ParamF);
    float squeeze = 1;
    if (size.X > c->Size.X && size.X > 0) squeeze = std::min(squeeze, c->Size.X / size.X);
    if (height > c->Size.Y && height > 0) squeeze = std::min(squeeze, c->Size.Y / height);
    const TVector at = c->ScreenCenter();
    const float slack = 1;
    const bool outsideBox =
        at.X - c->Size.X / 2 < box.X - box.W / 2 - slack || at.X + c->Size.X / 2 > box.X + box.W / 2 + slack ||
        at.Y - c->Size.Y / 2 < box.Y - box.H / 2 - slack || at.Y + c->Size.Y / 2 > box.Y + box.H / 2 + slack;
    const bool outsideScreen = std::abs(at.X) + c->Size.X / 2 > ScreenWidth / 2.0f + slack ||
                               std::abs(at.Y) + c->Size.Y / 2 > ScreenHeight / 2.0f + slack;
    if (squeeze < SqueezeLimit || outsideBox || outsideScreen) {
      out.push_back({c->Text, squeeze, outsideBox || outsideScreen});
    }
  }
  return out;
}

// Shows the scene over its region's picture, lets it fade in fully and writes the frame.
// Keeps the pixels of the box (design units, centre origin) grown by a margin, inside the frame.
void Crop(std::vector<uint8_t>& Pixels, int32_t& Width, int32_t& Height, const TGuiRect& Box) {
  constexpr float Margin = 40;
  const float sx = static_cast<float>(Width) / ScreenWidth;
  const float sy = static_cast<float>(Height) / ScreenHeight;
  const int32_t left =
      std::clamp(static_cast<int32_t>((Box.X - Box.W / 2 - Margin + ScreenWidth / 2.0f) * sx), 0, Width);
  const int32_t right =
      std::clamp(static_cast<int32_t>((Box.X + Box.W / 2 + Margin + ScreenWidth / 2.0f) * sx), left, Width);
  const int32_t top =
      std::clamp(static_cast<int32_t>((Box.Y - Box.H / 2 - Margin + ScreenHeight / 2.0f) * sy), 0, Height);
  const int32_t bottom =
      std::clamp(static_cast<int32_t>((Box.Y + Box.H / 2 + Margin + ScreenHeight / 2.0f) * sy), top, Height);
  if (right <= left || bottom <= top) return;
  std::vector<uint8_t> out;
  out.reserve(static_cast<size_t>(right - left) * static_cast<size_t>(bottom - top) * 4);
  for (int32_t y = top; y < bottom; ++y) {
    const auto row = Pixels.begin() + (static_cast<std::ptrdiff_t>(y) * Width + left) * 4;
    out.insert(out.end(), row, row + static_cast<std::ptrdiff_t>(right - left) * 4);
  }
  Pixels = std::move(out);
  Width = right - left;
  Height = bottom - top;
}

bool Preview(TScene* Scene, const std::string& Output, bool Cropped, TPreviewResult& Result, std::string& Error) {
  Result.Scene = Scene;
  Result.File = Output;
  HideAllDialogs();
  Rebuild();
  auto* back = static_cast<TPreviewBackground*>(FindForm("PreviewBackground"));
  const TRegion* region = Scene->Site != nullptr ? Scene->Site->Region : nullptr;
  back->Picture = region != nullptr && region->Picture != nullptr ? region->Picture->Name : "";
  ShowForm("PreviewBackground");
  ShowDialog(gui::DialogScene, {.Value = ScenePreviewInPlace, .Data = Scene});
  for (int i = 0; i < FadeFrames; ++i) Frame();
  auto* dialog = dynamic_cast<TGuiDialogScene*>(TopDialog());
  if (dialog != nullptr) Result.Problems = CheckTexts(*dialog);
  std::vector<uint8_t> pixels;
  int32_t width = 0;
  int32_t height = 0;
  GfxSetPresentObserver([&] { pixels = GfxReadBackBuffer(width, height); });
  const bool drawn = RenderFrame(nullptr);
  GfxSetPresentObserver(nullptr);
  if (!drawn || pixels.empty()) {
    Error = "the frame could not be drawn";
    return false;
  }
  if (Cropped && dialog != nullptr) Crop(pixels, width, height, dialog->Box);
  if (!WritePngRgba(Output, width, height, pixels)) {
    Error = "cannot write \"" + Output + "\"";
    return false;
  }
  return true;
}

bool WriteIndex(const std::string& Folder, const std::vector<TPreviewResult>& Results) {
  std::ofstream out(Folder + "/index.html", std::ios::binary);
  if (!out) return false;
  out << "<!DOCTYPE html>\n<html><head><meta charset=\"windows-" << GetCodePage()
      << "\"><title>Scene previews</title>\n<style>body{font-family:sans-serif}figure{display:inline-block;"
         "margin:8px}img{width:480px;border:1px solid #888}.bad{color:#b00}</style></head><body>\n"
      << "<h1>Scene previews (" << EscapeMarkup(GetLanguageName()) << ")</h1>\n";
  for (const TPreviewResult& r : Results) {
    const std::string name = std::filesystem::path(r.File).filename().string();
    out << "<figure><a href=\"" << EscapeMarkup(name) << "\"><img src=\"" << EscapeMarkup(name) << "\"></a><figcaption>"
        << "scene " << r.Scene->Number << ", " << EscapeMarkup(KindName(r.Scene->Kind)) << ", site "
        << EscapeMarkup(SiteLabel(r.Scene->Site));
    for (const TTextProblem& p : r.Problems) {
      out << "<br><span class=\"bad\">" << (p.Cut ? "cut" : "squeezed") << " "
          << static_cast<int>(p.Squeeze * 100 + 0.5f) << " %: " << EscapeMarkup(Shorten(p.Text)) << "</span>";
    }
    out << "</figcaption></figure>\n";
  }
  out << "</body></html>\n";
  return static_cast<bool>(out);
}

int RunPreview(const TArgs& Args) {
  std::vector<std::string> inputs;
  std::string output;
  std::string all;
  std::string data;
  std::string language;
  int32_t number = 0;
  bool haveNumber = false;
  bool cropped = false;
  for (size_t i = 0; i < Args.size(); ++i) {
    const std::string& a = Args[i];
    if (a == "-o" || a == "--all" || a == "--data" || a == "--language" || a == "--scene") {
      if (i + 1 >= Args.size()) return UsageError(PreviewCommand, a + " needs a value");
      const std::string& v = Args[++i];
      if (a == "-o") output = v;
      if (a == "--all") all = v;
      if (a == "--data") data = v;
      if (a == "--language") language = v;
      if (a == "--scene") {
        char* end = nullptr;
        const long n = std::strtol(v.c_str(), &end, 10);
        if (end == v.c_str() || *end != '\0') return UsageError(PreviewCommand, "--scene needs a scene number");
        number = static_cast<int32_t>(n);
        haveNumber = true;
      }
    } else if (a == "--crop") {
      cropped = true;
    } else if (!a.empty() && a[0] == '-') {
      return UsageError(PreviewCommand, "unknown option \"" + a + "\"");
    } else {
      inputs.push_back(a);
    }
  }
  if (inputs.empty()) return UsageError(PreviewCommand, "name the scenario's source files or its scenario file");
  const bool single = haveNumber && !output.empty();
  if (single == !all.empty()) {
    return UsageError(PreviewCommand, "give either --scene N with -o OUT.png, or --all DIR");
  }
  const TScenarioInput input = LoadScenarioInput(inputs);
  if (PrintDiagnostics(input.Diagnostics) > 0 || !input.Ok) {
    std::fprintf(stderr, "tolvaren-tool scenario preview: the scenario cannot be read\n");
    return 1;
  }

  if (std::getenv("SDL_VIDEODRIVER") == nullptr) SetEnvValue("SDL_VIDEODRIVER", "offscreen");
  if (std::getenv("SDL_AUDIODRIVER") == nullptr) SetEnvValue("SDL_AUDIODRIVER", "dummy");
  if (!language.empty()) {
    std::string normalised;
    if (NormalizeLanguageArgument(language, normalised)) SetLanguageName(normalised);
  }
  int code = 0;
  std::string error;
  std::vector<TPreviewResult> results;
  try {
    InitDataFolders(data);
    if (!PlatformOpenWindow("tolvaren-tool scenario preview", error)) throw EError("no window: " + error);
    SetSegmentNameRules(MayHaveSegments, AlternativeSegmentsName);
    SetDefaultTextsHook(RegisterDefaultTexts);
    SetVideoOptions({TGfxBackend::OpenGL, ScreenWidth, ScreenHeight});
    VideoStartup();
    InitTexts();
    TextsStartup();
    EffectsStartup();
    InstallPoolTextureLoader();
    InstallPoolEffectLoader();
    InitTimer();
    SetFixedFrameTime(PreviewFrameTime);
    CreatePool();
    CreateScenario();
    SetSaveTarget("");
    LoadScenarioBytes(input.Scenario.Build(), input.Label);
    LoadScenarioTexts();
    FreePlayersWithoutSaving();
    AddPlayer("");
    GuiStartup();
    RegisterScreens();
    RegisterForm(std::make_unique<TPreviewBackground>("PreviewBackground", "", ""));

    std::vector<TScene*> scenes;
    for (TItem* r : *Regions()) {
      for (TItem* s : *static_cast<TRegion*>(r)->Sites) {
        for (TItem* c : *static_cast<TSite*>(s)->Scenes) {
          auto* scene = static_cast<TScene*>(c);
          if (all.empty() ? scene->Number == number : scene->Kind != SceneKinds::None) scenes.push_back(scene);
        }
      }
    }
    if (!all.empty()) std::filesystem::create_directories(all);
    if (scenes.empty()) throw EError(all.empty() ? "no scene " + std::to_string(number) : "no scene to show");
    if (all.empty()) scenes.resize(1);
    for (TScene* scene : scenes) {
      const std::string file = all.empty() ? output : all + "/scene" + std::to_string(scene->Number) + ".png";
      TPreviewResult result;
      if (!Preview(scene, file, cropped, result, error)) throw EError(error);
      for (const TTextProblem& p : result.Problems) {
        std::printf("scene %d (%s, site %s): %s %d %%: \"%s\"\n", scene->Number, KindName(scene->Kind).c_str(),
                    SiteLabel(scene->Site).c_str(), p.Cut ? "cut" : "squeezed",
                    static_cast<int>(p.Squeeze * 100 + 0.5f), Shorten(p.Text).c_str());
        code = 1;
      }
      results.push_back(std::move(result));
    }
    if (!all.empty() && !WriteIndex(all, results)) throw EError("cannot write \"" + all + "/index.html\"");
    std::printf("%zu scene%s previewed\n", results.size(), results.size() == 1 ? "" : "s");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tolvaren-tool scenario preview: %s\n", e.what());
    code = 1;
  }
  GuiShutdown();
  FreePlayersWithoutSaving();
  ResetSaveTarget();
  DestroyScenario();
  DestroyPool();
  EffectsShutdown();
  TextsShutdown();
  FreeTexts();
  RemovePoolTextureLoader();
  RemovePoolEffectLoader();
  SetDefaultTextsHook(nullptr);
  VideoShutdown();
  PlatformCloseWindow();
  DoneFolders();
  return code;
}

TV_TOOL_COMMAND(PreviewCommand);

}  // namespace
}  // namespace tv::tool
