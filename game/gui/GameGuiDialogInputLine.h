// The input line: a prompt and a line to type, "OK" (hands the text to OnDone and OnText) and
// "Cancel". The plain one (the chooser's filter, debug mode) has a stored-line history; the
// custom one, in the sheet look, cleans typed names up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/gui/GameGuiDialogBase.h"

namespace tv {

// The length limit when the caller gives none (InputLineNeedsText and InputLineOkOnly, the option
// bits of Value, are in engine/EngineGuiCalls.h for the model's prompts).
inline constexpr int32_t InputLineDefaultLength = 64;

class TGuiDialogInputLine : public TGuiDialog {
 public:
  using TGuiDialog::TGuiDialog;
  bool HistoryMode = false;
  bool Empty = true;  // nothing is typed

  void OnShow() override;
  void OnActivate() override;
  void OnDeactivate() override;
  void OnUpdate() override;
  void OnClick() override;

 protected:
  // Whether typed names get the name clean-up.
  virtual bool NameFilter() const { return false; }
  void RefreshButtons();
  bool Started = false;  // text input has begun since the dialog was shown
};

class TGuiControlCanvas;
class TCanvas;

// The on-screen keyboard's keys: the letters of the language's code page (its capitals and small
// letters), then shift, space, delete and OK. Named "Key" and the capital's code in hex ("KeyC4"),
// or "KeyA" to "KeyZ" for the Latin ones.
struct TScreenKey {
  uint8_t Capital = 0;
  uint8_t Small = 0;
};
// The letters for a code page: Cyrillic with Ё for 1251, else Latin with the German umlauts and ß.
std::vector<TScreenKey> ScreenKeyLetters(int32_t CodePage);
std::string ScreenKeyName(uint8_t Capital);

class TGuiDialogInputLineCustom : public TGuiSheetDialog<TGuiDialogInputLine> {
 public:
  using TGuiSheetDialog::TGuiSheetDialog;
  void OnShow() override;
  void OnUpdate() override;
  void OnRender() override;
  void OnClick() override;

 protected:
  bool NameFilter() const override { return true; }

 private:
  // The keyboard below the sheet, shown once a controller is used (it stays for the showing).
  void BuildKeyboard();
  void ShowKeyboard();
  void Relabel();
  TGuiControlCanvas* Keyboard = nullptr;
  TCanvas* ScreenCanvas = nullptr;  // where the keyboard draws: the screen, not the sheet
  TVector ScreenOrigin;
  bool Capitals = true;
};

}  // namespace tv
