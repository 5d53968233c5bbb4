// The real program with one extra form, "GuiTest", opened first: it holds every kind of common
// control (some held in the hovered, pressed, down and disabled looks) and buttons that open each
// common dialog. Integration tests drive it with input scripts and read its GUI trace, its save
// and its screenshots.
#include <memory>
#include <string>
#include <vector>

#include "app/AppGame.h"
#include "app/AppMain.h"
#include "engine/EngineGui.h"
#include "engine/EngineTexts.h"
#include "engine/EngineVideo.h"
#include "game/GamePlayers.h"
#include "game/GameScreenNames.h"
#include "game/gui/GameGuiControls.h"
#include "game/gui/GameGuiDialogBase.h"

namespace tv {
namespace {

class TGuiFormTest : public TGuiForm {
 public:
  TGuiFormTest() : TGuiForm("GuiTest", "Custom", "Custom") {}

  void OnShow() override {
    AddControl<TGuiControlScreenCover>(0, PropAlpha, 0.2f);
    // Row 1: the model button in each of its looks.
    const char* plain[] = {"Plain", "PlainHovered", "PlainPressed", "PlainDown", "PlainDisabled"};
    for (int i = 0; i < 5; ++i) {
      PlaceBox(*this, -560 + 280 * static_cast<float>(i), -380, 240, 56);
      auto* b = AddControl<TGuiControlButton>(10, PropName, plain[i], PropText, plain[i]);
      Look(b, i);
    }
    // Row 2: custom buttons of the three widths, then hovered, down and disabled.
    const float widths[] = {60, 200, 300, 200, 200, 200};
    const char* custom[] = {"Custom60", "Custom200", "Custom300", "CustomHovered", "CustomDown", "CustomDisabled"};
    const int looks[] = {0, 0, 0, 1, 3, 4};
    float x = -740;
    for (int i = 0; i < 6; ++i) {
      PlaceBox(*this, x + widths[i] / 2, -290, widths[i], 60);
      auto* b = AddControl<TGuiControlButtonCustom>(10, PropName, custom[i], PropText, i == 0 ? "\x01\x05" : custom[i]);
      Look(b, looks[i]);
      x += widths[i] + 20;
    }
    // Row 3: labels, a link, choose buttons.
    PlaceBox(*this, -600, -200, 300, 50);
    AddControl<TGuiControlLabel>(10, PropText, "A label", PropFont, 4);
    PlaceBox(*this, -280, -200, 300, 50);
    AddControl<TGuiControlLabelSuffix>(10, PropName, "Suffixed", PropText, "Volume", PropFont, 4)->SetSuffix(": 7");
    PlaceBox(*this, 40, -200, 300, 50);
    AddControl<TGuiControlButtonLink>(10, PropName, "Link", PropText, "A link", PropFont, 4);
    PlaceBox(*this, 300, -200, 160, 80);
    AddControl<TGuiControlButtonChoose>(10, PropName, "ChooseText", PropText, "Choice");
    PlaceBox(*this, 480, -200, 160, 80);
    AddControl<TGuiControlButtonChoose>(10, PropName, "ChoosePicture", PropTexture, "G2Props");
    PlaceBox(*this, 660, -200, 160, 80);
    AddControl<TGuiControlButtonChoose>(10, PropName, "ChooseEffect", PropEmitter, "G2Site");
    // Row 4: pictures, plates, borders, an effect and the input line.
    PlaceBox(*this, -600, -60, 200, 150);
    AddControl<TGuiControlPicture>(10, PropTexture, "G2Props");
    PlaceBox(*this, -360, -60, 240, 150);
    AddControl<TGuiControlPlate>(10);
    PlaceBox(*this, -100, -60, 240, 150);
    AddControl<TGuiControlBorder>(10);
    PlaceBox(*this, 150, -60, 200, 150);
    AddControl<TGuiControlEffect>(10, PropEmitter, "G2Site");
    PlaceBox(*this, 500, -60, 420, 56);
    AddControl<TGuiControlInput>(10, PropName, "Input", PropFont, 4);
    // Row 5: the buttons that open the dialogs.
    const char* openers[] = {"Options", "Quit", "Message", "InputLine", "About"};
    for (int i = 0; i < 5; ++i) {
      PlaceBox(*this, -560 + 280 * static_cast<float>(i), 100, 240, 60);
      AddControl<TGuiControlButtonCustom>(10, PropName, openers[i], PropText, openers[i]);
    }
    // Row 6: a canvas holding its own controls.
    PlaceBox(*this, 0, 280, 700, 160);
    AddControl<TGuiControlCanvas>(10, PropName, "Canvas");
    AddControl<TGuiControlPicture>(0, PropTexture, "G2BackgroundForm");
    PlaceBox(*this, 0, 280, 400, 60);
    AddControl<TGuiControlButton>(10, PropName, "InCanvas", PropText, "Inside a canvas");
    // The arrow, drawn on the screen (a canvas control keeps every later control).
    Canvas = MainCanvas();
    Origin = {0, 0};
    Place(PlaceRestore, 0);
    AddControl<TGuiControlRecommendedArrow>(40);
    SetRecommendedByName("Options", 0);
    KeyControls[KeySlotCancel] = FindControl("Quit");
  }

  void OnClick() override {
    if (Sender == nullptr) return;
    const std::string& name = Sender->Name;
    if (name == "Options") {
      ShowDialog(gui::DialogOptions);
    } else if (name == "Quit") {
      ShowDialog(gui::DialogQueryCustom, {.MessageKey = "QueryQuitGame", .OnDone = [] { Terminate(); }});
    } else if (name == "Message") {
      ShowDialog(gui::DialogMessageCustom, {.MessageKey = "MsgCantDeleteProfile"});
    } else if (name == "InputLine") {
      // The first-start prompt's look: "OK" alone.
      ShowDialog(gui::DialogInputLineCustom, {.MessageKey = "InputName",
                                              .DefaultText = "Traveller",
                                              .Value = InputLineNeedsText | InputLineOkOnly,
                                              .MaxLength = ProfileNameLength});
    } else if (name == "About") {
      ShowDialog(gui::DialogAbout);
    }
  }

 private:
  // Holds a control in one look: 0 as it is, 1 hovered, 2 pressed, 3 down, 4 disabled.
  static void Look(TGuiControl* Control, int Which) {
    Control->Hovered = Which == 1;
    Control->Pressed = Which == 2;
    Control->Down = Which == 3;
    if (Which == 4) Control->Enabled = false;
  }
};

}  // namespace
}  // namespace tv

int main(int argc, char** argv) {
  tv::SetTestScreens([] { tv::RegisterForm(std::make_unique<tv::TGuiFormTest>()); },
                     [] {
                       tv::PrepareGame();
                       tv::SwitchForm("GuiTest", "Fade", nullptr);
                     });
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return tv::Run(args);
}
