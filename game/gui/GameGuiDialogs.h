// The game's general dialogs: message, yes/no query, text input line, options, about, and the
// paged chooser. The plain classes draw a simple plate; the "Custom" classes give the game's look
// (a dimming cover, a sheet with the form background and a frame picture).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/EngineGui.h"

namespace tv {

class TGuiControlCanvas;
class TGuiControlPicture;
class TGuiControlScreenCover;
class TGuiControlLabelSuffix;
class TGuiControlButtonChoose;

// What the custom look keeps between frames: the cover, the sheet and the frame fade with the
// dialog.
struct TGuiSheet {
  TGuiControlScreenCover* Cover = nullptr;
  TGuiControlCanvas* Sheet = nullptr;
  TGuiControlPicture* Frame = nullptr;
};
// The frame's share of the dialog's opacity.
inline constexpr float FrameAlphaShare = 0.9f;

// Builds the custom look centred on the screen: the cover, the frame picture and the sheet (an
// off-screen canvas holding the background); every control added afterwards draws on the sheet.
TGuiSheet BuildSheet(TGuiForm& Form, float Width, float Height, const char* FrameTexture);
// Lets the sheet, the frame and the cover follow a fade.
void FadeSheet(const TGuiSheet& Sheet, float FadeAlpha);

// Sets Form's Place to the box of that centre and size (screen units).
void PlaceBox(TGuiForm& Form, float X, float Y, float W, float H);

// The message's and the query's behaviour; their look is the custom one below (the game
// registers no plain message or query).
class TGuiDialogMessage : public TGuiDialog {
 public:
  using TGuiDialog::TGuiDialog;
  void OnClick() override;
};

class TGuiDialogMessageCustom : public TGuiDialogMessage {
 public:
  using TGuiDialogMessage::TGuiDialogMessage;
  void OnShow() override;
  void OnRender() override;
  TGuiSheet Sheet;
};

class TGuiDialogQuery : public TGuiDialog {
 public:
  using TGuiDialog::TGuiDialog;
  void OnClick() override;
};

class TGuiDialogQueryCustom : public TGuiDialogQuery {
 public:
  using TGuiDialogQuery::TGuiDialogQuery;
  void OnShow() override;
  void OnRender() override;
  TGuiSheet Sheet;
};

// The length limit when the caller gives none (InputLineNeedsText and InputLineOkOnly, the option
// bits of Value, are in engine/EngineGui.h for the model's prompts).
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

class TGuiDialogInputLineCustom : public TGuiDialogInputLine {
 public:
  using TGuiDialogInputLine::TGuiDialogInputLine;
  void OnShow() override;
  void OnRender() override;
  TGuiSheet Sheet;

 protected:
  bool NameFilter() const override { return true; }
};

class TGuiDialogOptions : public TGuiDialog {
 public:
  using TGuiDialog::TGuiDialog;
  bool WindowedShown = false;
  TGuiSheet Sheet;

  void OnShow() override;
  void OnUpdate() override;
  void OnRender() override;
  void OnClick() override;

 private:
  void RefreshMode();
  void RefreshVolume(int32_t Group);
};

// The names of a volume row's controls ("Effects", "Environment", "Music").
const char* VolumeRowName(int32_t Group);

class TGuiDialogAbout : public TGuiDialog {
 public:
  using TGuiDialog::TGuiDialog;
  TGuiSheet Sheet;
  void OnShow() override;
  void OnRender() override;
  void OnClick() override;
};

// A paged list of items to choose one from, with a text filter. Subclasses fill the list, give the
// item size and fill each item's button.
class TGuiDialogChoose : public TGuiDialog {
 public:
  using TGuiDialog::TGuiDialog;
  ~TGuiDialogChoose() override;

  // One entry of the list: its caption (what the filter matches and OnText receives) and the
  // object it stands for.
  class TCustomItem : public TNamedItem {
   public:
    TCustomItem(std::string Caption, TItem* Object) : TNamedItem(std::move(Caption)), Object(Object) {}
    TItem* Object = nullptr;
  };

  TContainer Items{false, true};
  std::string Filter;
  int32_t Page = 0;  // from 0
  TVector ItemSize;

  void OnShow() override;
  void OnHide() override;
  void OnClick() override;

  // The items that pass the filter (a case-insensitive part of the caption), in list order.
  std::vector<TCustomItem*> Matching() const;
  int32_t PageSize() const;
  int32_t PageCount() const;

 protected:
  // Refills Items; called each time the dialog is shown.
  virtual void CollectItems() {}
  virtual TVector GetItemSize() = 0;
  virtual void FillItem(TGuiControlButtonChoose& Control, const TCustomItem& Item) = 0;

 private:
  void Choose(const TCustomItem* Item);
  std::vector<std::pair<TGuiControl*, TCustomItem*>> PageButtons;
};

// Every prop of the scenario, each showing its picture (debug mode).
class TGuiDialogShowAllProps : public TGuiDialogChoose {
 public:
  using TGuiDialogChoose::TGuiDialogChoose;

 protected:
  void CollectItems() override;
  TVector GetItemSize() override { return {96, 96}; }
  void FillItem(TGuiControlButtonChoose& Control, const TCustomItem& Item) override;
};

// The program's version text, fixed by the build.
const char* ProgramVersion();

}  // namespace tv
