// The splash screen: the branding pictures one after the other, two seconds each, while the game's
// data loads behind them.
#pragma once

#include <functional>
#include <string>

#include "base/EngineClasses.h"
#include "engine/EngineGui.h"

namespace tv {

class TSprite;

// How long each branding picture stays unless the player skips it.
inline constexpr float SplashShowSeconds = 2.0f;

class TGuiFormSplash : public TGuiForm {
 public:
  using TGuiForm::TGuiForm;

  TContainer Pictures{true, true};  // the branding pictures' names, sorted, each once
  int32_t PictureIndex = 0;
  bool LoadStarted = false;
  float ShowTime = 0;
  TSprite* PictureSprite = nullptr;
  // Starts loading the game's data; the program sets it when it registers the form.
  std::function<void()> PrepareGame;

  // Reads the branding folder.
  void AfterCreate() override;
  void BeforeDestroy() override;
  void OnShow() override;
  void OnHide() override;
  void OnActivate() override;
  void OnUpdate() override;
  void OnRender() override;

  // The name of the picture shown now (empty past the last).
  std::string CurrentPicture() const;
};

}  // namespace tv
