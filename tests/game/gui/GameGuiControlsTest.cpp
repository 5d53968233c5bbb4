// The game's common controls: buttons, the canvas, the recommendation arrow and the input line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GuiScreensFixture.h"
#include "game/gui/GameGuiControls.h"

namespace tv::test {
namespace {

// Exposes what a control keeps of its picture.
struct TProbeButton : TGuiControlButton {
  using TGuiControlButton::Caption;
  using TGuiControlButton::Plate;
};

TEST_F(GuiScreens, ButtonsShowTheirStateInPlateCaptionAndTexture) {
  TProbeButton* enabled = nullptr;
  TProbeButton* disabled = nullptr;
  std::vector<TGuiControlButtonCustom*> custom;
  Form("Test", [&](TTestForm& F) {
    PlaceBox(F, -200, 0, 160, 50);
    enabled = F.AddControl<TProbeButton>(0, PropText, "Go");
    PlaceBox(F, 0, 0, 160, 50);
    disabled = F.AddControl<TProbeButton>(0, PropText, "Stop", PropEnabled, false);
    for (float width : {99.0f, 100.0f, 249.0f, 250.0f}) {
      PlaceBox(F, 0, 200, width, 60);
      custom.push_back(F.AddControl<TGuiControlButtonCustom>(0));
    }
  });
  ShowForm("Test");
  Frames(1);
  ASSERT_NE(disabled->Plate, nullptr);
  EXPECT_TRUE(Vector3Equal(enabled->Plate->Color, GuiColors::ButtonRed));
  EXPECT_FLOAT_EQ(enabled->Caption->Alpha, 1);
  EXPECT_TRUE(Vector3Equal(disabled->Plate->Color, GuiColors::Grey));
  EXPECT_FLOAT_EQ(disabled->Caption->Alpha, 0.5f);

  // Down: the pressed colour and the caption between arrows; pressed: moved by (2, 2).
  enabled->SetDown(true);
  enabled->Pressed = true;
  Frames(1);
  EXPECT_TRUE(Vector3Equal(enabled->Plate->Color, GuiColors::PressedRed));
  EXPECT_EQ(enabled->Caption->Text, "> Go <");
  EXPECT_FLOAT_EQ(enabled->Plate->Position.X, -198);
  EXPECT_FLOAT_EQ(enabled->Plate->Position.Y, 2);

  ASSERT_EQ(custom.size(), 4u);
  EXPECT_EQ(custom[0]->ParamA, "G2Button60x60");
  EXPECT_EQ(custom[1]->ParamA, "G2Button200x60");
  EXPECT_EQ(custom[2]->ParamA, "G2Button200x60");
  EXPECT_EQ(custom[3]->ParamA, "G2Button300x60");
  EXPECT_EQ(CustomDownCaption("Map"), std::string("\x96\x08>\xA0Map\xA0\x96\x08<"));
  EXPECT_EQ(SquareBorderOf("G2Square06Filled"), 6);
  EXPECT_EQ(SquareBorderOf("G2Square28Border"), 28);
  EXPECT_EQ(SquareBorderOf("G2Dots"), 0);
}

TEST_F(GuiScreens, CanvasControlTakesTheControlsAddedAfterIt) {
  TGuiControl* before = nullptr;
  TGuiControlCanvas* canvas = nullptr;
  TGuiControl* inside = nullptr;
  Form("Test", [&](TTestForm& F) {
    PlaceBox(F, -300, 0, 100, 40);
    before = F.AddControl<TGuiControlLabel>(0, PropText, "Before");
    PlaceBox(F, 100, 50, 200, 100);
    canvas = F.AddControl<TGuiControlCanvas>(10);
    PlaceBox(F, 120, 60, 80, 30);
    inside = F.AddControl<TGuiControlButton>(0, PropText, "Inside");
  });
  ShowForm("Test");
  Frames(1);
  ASSERT_NE(canvas->Target(), nullptr);
  EXPECT_EQ(before->Canvas, MainCanvas());
  EXPECT_EQ(canvas->Canvas, MainCanvas());
  EXPECT_EQ(inside->Canvas, canvas->Target());
  EXPECT_TRUE(VectorsEqual(inside->Origin, Vector(100, 50)));
  EXPECT_TRUE(VectorsEqual(inside->Offset, Vector(20, 10)));
  EXPECT_TRUE(VectorsEqual(inside->ScreenCenter(), Vector(120, 60)));
  EXPECT_GT(canvas->Target()->Sprites->GetCount(), 0);
  // Hiding the form frees the canvas with its controls.
  const int32_t canvases = Canvases()->GetCount();
  ShowForm("");
  EXPECT_EQ(Canvases()->GetCount(), canvases - 1);
}

TEST_F(GuiScreens, RecommendationArrowBobsAtItsTargetAndFadesOutWhenItIsDisabled) {
  TGuiControl* target = nullptr;
  TGuiControlRecommendedArrow* arrow = nullptr;
  TTestForm* form = Form("Test", [&](TTestForm& F) {
    PlaceBox(F, 200, 100, 160, 50);
    target = F.AddControl<TGuiControlButton>(0, PropName, "Target");
    F.Place(PlaceRestore, 0);
    arrow = F.AddControl<TGuiControlRecommendedArrow>(50);
    F.SetRecommendedByName("Target", 1);
  });
  ShowForm("Test");
  EXPECT_FLOAT_EQ(arrow->Alpha, 0);
  EXPECT_TRUE(VectorsEqual(arrow->Size, Vector(64, 64)));
  Frames(6);
  ASSERT_TRUE(form->Active);
  EXPECT_TRUE(arrow->Showing());
  EXPECT_FLOAT_EQ(arrow->Alpha, 1);
  EXPECT_EQ(arrow->ParamD, 1);
  // Side 1 is the upper right corner: between 30 and 40 units right of and above the centre.
  for (int i = 0; i < 20; ++i) {
    Frames(1);
    const TVector d = Sub(arrow->ScreenCenter(), target->ScreenCenter());
    EXPECT_GE(d.X, 30 - 1e-3f);
    EXPECT_LE(d.X, 40 + 1e-3f);
    EXPECT_FLOAT_EQ(d.Y, -d.X);
  }
  target->SetProperty(PropEnabled, false);
  Frames(4);  // 0.2 s
  EXPECT_FLOAT_EQ(arrow->Alpha, 0);
  EXPECT_FALSE(arrow->Showing());
}

TEST_F(GuiScreens, InputLineControlShowsTheTypedTextWithItsCaret) {
  TGuiControlInput* input = nullptr;
  Form("Test", [&](TTestForm& F) {
    PlaceBox(F, 0, 0, 400, 50);
    input = F.AddControl<TGuiControlInput>(0);
  });
  ShowForm("Test");
  BeginTextInput("Ab", 10, false, false, false);
  EnableTextInput();
  Frames(1);
  EXPECT_EQ(input->Text, "Ab");
  TextInputKey('c');
  Frames(1);
  EXPECT_EQ(input->Text, "Abc");
  EXPECT_TRUE(input->CaretShown());
  Frames(10);  // half a second later it has blinked off
  EXPECT_FALSE(input->CaretShown());
  EndTextInput();
}

}  // namespace
}  // namespace tv::test
