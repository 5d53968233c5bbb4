// The clickable marker of one site on the map: a glowing particle base, the site's icon bobbing
// gently, a badge telling whether the site's pending requirements are met, a ring under the mouse
// and, for a main site not yet visited, a second effect.
#pragma once

#include <cstdint>

#include "engine/EngineGui.h"

namespace tv {

class TSite;
class TScene;
class TSprite;
class TPerformer;

// How bright the site markers are (0..1); the play form writes it every frame.
float SiteEmphasis();
void SetSiteEmphasis(float Value);
// The shared bob phase of the site icons (0..1), advanced once a frame with a period of 1.25 s.
float SiteBobPhase();
constexpr float SiteBobPeriod = 1.25f;

// The scene a visit of the site would start with: its first scene whose count has not yet caught
// up with the site's. None when every scene has.
TScene* SiteCurrentScene(const TSite* Site);

class TGuiControlSite : public TGuiControl {
 public:
  TGuiControlSite() = default;
  ~TGuiControlSite() override;

  TSite* SiteRef = nullptr;
  TSite* ShownSite = nullptr;
  bool Silent = false;
  bool Main = false;
  TScene* PendingScene = nullptr;
  bool PendingMet = false;
  TPerformer* BaseEffect = nullptr;
  TSprite* IconSprite = nullptr;
  TSprite* BadgeSprite = nullptr;
  TSprite* FocusSprite = nullptr;
  TPerformer* MainEffect = nullptr;

  void AfterCreate() override;
  void BeforeDestroy() override;
  // Inside the box and within a circle of half the width around the centre.
  bool HitTest(TVector Local) override;
  void OnMouseEnter() override;
  void Update() override;
  void Render(bool Visible) override;
  bool TakesFocus() const override { return true; }

  // Sets the site shown; marks the control dirty when it changes.
  void SetSite(TSite* Site);

 private:
  void ReleaseAll();
};

}  // namespace tv
