#include "app/AppGame.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "app/AppInput.h"
#include "app/AppMain.h"
#include "app/AppWindow.h"
#include "engine/EngineEffects.h"
#include "engine/EngineScript.h"
#include "engine/EngineVideo.h"
#include "game/GamePool.h"

namespace tv {

namespace {

// A float as a whole number of units, held within 32 bits.
int32_t WholeUnits(float V) {
  if (!(V > -2147483648.0f)) return INT32_MIN;
  if (V >= 2147483647.0f) return INT32_MAX;
  return static_cast<int32_t>(std::lround(V));
}

// A text of two bytes that the text layout draws as icon N of the icon texture.
std::string Icon(int N) { return std::string{'\x01', static_cast<char>(N)}; }

}  // namespace

void RegisterDefaultTexts() {
  AddText("Copyright", Utf8ToNarrow("Copyright \u00A9 Quillmark. All rights reserved."));
  AddText("IconAchievements", Icon(4));
  AddText("IconAbout", Icon(5));
  AddText("IconVolumeDown", Icon(1));
  AddText("IconVolumeUp", Icon(2));
  AddText("IconInventory", Icon(9));
  AddText("IconCancel", Icon(10));
  AddText("IconAccept", Icon(11));
  AddText("IconBarter", Icon(12));
  AddText("IconExit", Icon(13));
  AddText("IconHint", Icon(14));
  AddText("IconMap", Icon(15));
  if (IsDebugMode()) AddText("LabelDebug", "DEBUG");
}

void InstallPoolEffectLoader() {
  TPoolLoaders loaders = GetPoolLoaders();
  loaders.LoadEffect = [](const std::string& Name) {
    TEffectFacts facts;
    facts.Effect = GetEffect(Name);
    if (facts.Effect != nullptr) {
      facts.Width = WholeUnits(facts.Effect->Area.X);
      facts.Height = WholeUnits(facts.Effect->Area.Y);
    }
    return facts;
  };
  SetPoolLoaders(std::move(loaders));
}

void RemovePoolEffectLoader() {
  TPoolLoaders loaders = GetPoolLoaders();
  loaders.LoadEffect = nullptr;
  SetPoolLoaders(std::move(loaders));
}

void InstallEngineHooks() {
  SetDefaultTextsHook(RegisterDefaultTexts);
  TDisplayHooks hooks;
  hooks.ClientSize = [](int32_t& Width, int32_t& Height) { GetDrawableSize(Width, Height); };
  hooks.IsFullScreen = [] { return IsFullScreen(); };
  hooks.SetFullScreen = [](bool Value) { SetFullScreen(Value); };
  hooks.SetCaption = [](const std::u16string& Text) { SetWindowCaption(Text); };
  hooks.ScreenCanvasSize = [](TVector Size) { SetScreenCanvasSize(Size); };
  SetDisplayHooks(std::move(hooks));
}

void ClearEngineHooks() {
  SetDefaultTextsHook(nullptr);
  SetDisplayHooks({});
}

}  // namespace tv
