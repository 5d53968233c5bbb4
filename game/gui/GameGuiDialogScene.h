// The scene dialog: presents one scene of a site (its text, illustration, the props it requires,
// takes, gives or barters, and the buttons to accept or decline it) in the look its kind chooses,
// from floating notes without a frame to framed rows of props. A non-zero Value opens it as a
// preview that changes nothing in the model: 1 centred on the screen, 2 at the scene's own place.
#pragma once

#include <string>
#include <vector>

#include "engine/EngineGui.h"

namespace tv {

class TScene;
class TSite;
class TGuiControlCanvas;

// The preview opened at the scene's own position, as the player would see it.
inline constexpr int32_t ScenePreviewInPlace = 2;

// Where a trade of one barter row is: none running, the row's price going, its goods coming,
// the row settling back.
enum class TBarterPhase { Idle, Giving, Receiving, Settling };

class TGuiDialogScene : public TGuiDialog {
 public:
  using TGuiDialog::TGuiDialog;

  TScene* Scene = nullptr;
  TSite* Site = nullptr;
  bool Activated = false;
  bool AutoAccept = false;
  float AutoAcceptTime = 0;
  int32_t BarterRows = 0;
  int32_t BarterRow = 1;
  TBarterPhase BarterPhase = TBarterPhase::Idle;
  float BarterTime = 0;
  float BarterBaseA = 0;
  float BarterBaseB = 0;
  TGuiControlCanvas* Sheet = nullptr;

  // The dialog's box on the screen after OnShow (centre and size), and the usable area it was
  // kept inside.
  TGuiRect Box;
  TGuiRect Usable;

  void OnShow() override;
  void OnHide() override;
  void OnActivate() override;
  void OnUpdate() override;
  void OnRender() override;
  void OnClick() override;

  // Count labels and trade buttons follow the shown amounts.
  void RefreshBarter();
  // Runs the remaining phases of a running trade at once.
  void FinishBarter();
  // Advances the trade animation by Dt seconds.
  void StepBarter(float Dt);
  bool IsPreview() const { return Value != 0; }

 private:
  // Inner is copied: placing controls moves the form's placement rectangle.
  void BuildContent(TGuiRect Inner, float ContentHeight, float LegendWidth, float LegendHeight);
  void BuildButtons(TGuiRect Inner);
  std::string LegendKey() const;
  float SheetRestY = 0;
};

// The legend's box: laid out at Width, widened by 100, 200 and 300 while it needs more than
// MaxLines lines, its height then limited to MaxLines lines of 32 units. Lines is what it needs
// in the box chosen.
struct TLegendBox {
  float Width = 0;
  float Height = 0;
  int32_t Lines = 0;
  bool Fits = true;
};
TLegendBox LayoutLegend(const std::string& Text, int32_t FontIndex, float Width, int32_t MaxLines);

}  // namespace tv
