// The chooser dialog: pages, filters and the choice.
#include <gtest/gtest.h>

#include <string>

#include "GuiScreensFixture.h"
#include "game/gui/GameGuiControls.h"
#include "game/gui/GameGuiDialogChoose.h"

namespace tv::test {
namespace {

// A chooser of twenty numbered items, eight to a page.
class TNumberChooser : public TGuiDialogChoose {
 public:
  TNumberChooser() : TGuiDialogChoose("Numbers", "Custom", "Custom", 0, 0) {}
  TItem Objects[20];

 protected:
  void CollectItems() override {
    for (int i = 0; i < 20; ++i) Items.Insert(new TCustomItem("Item " + std::to_string(i), &Objects[i]), false);
  }
  TVector GetItemSize() override { return {300, 200}; }
  void FillItem(TGuiControlButtonChoose& Control, const TCustomItem& Item) override {
    Control.SetProperty(PropText, Item.Name);
  }
};

TEST_F(GuiScreens, ChooserPagesFiltersAndChooses) {
  auto* chooser = static_cast<TNumberChooser*>(RegisterDialog(std::make_unique<TNumberChooser>()));
  std::vector<std::string> texts;
  std::vector<TItem*> objects;
  ShowDialog("Numbers", {.OnText = [&](const std::string& T) { texts.push_back(T); },
                         .OnItem = [&](TItem* I) { objects.push_back(I); }});
  Frames(2);
  ASSERT_TRUE(chooser->Active);
  EXPECT_EQ(chooser->PageSize(), 8);
  EXPECT_EQ(chooser->PageCount(), 3);
  auto itemCaptions = [&] {
    std::vector<std::string> captions;
    for (TItem* c = chooser->Controls.First(); c != nullptr; c = c->GetNext()) {
      auto* control = static_cast<TGuiControl*>(c);
      if (control->Name == "Item") captions.push_back(control->Text);
    }
    return captions;
  };
  EXPECT_EQ(itemCaptions().size(), 8u);
  EXPECT_FALSE(chooser->FindControl("PrevPage")->Enabled);
  Click(chooser, "NextPage");
  Click(chooser, "NextPage");
  EXPECT_EQ(chooser->Page, 2);
  EXPECT_EQ(itemCaptions(), (std::vector<std::string>{"Item 16", "Item 17", "Item 18", "Item 19"}));
  EXPECT_FALSE(chooser->FindControl("NextPage")->Enabled);
  EXPECT_TRUE(chooser->FindControl("PrevPage")->Enabled);

  // The filter matches a part of the caption, whatever its case, and starts at the first page.
  chooser->Filter = "ITEM 1";
  chooser->Page = 1;
  Reshow(chooser);
  EXPECT_EQ(chooser->Matching().size(), 11u);  // Item 1 and Item 10 to 19
  EXPECT_EQ(itemCaptions().size(), 3u);
  // Choosing an item hands over its caption and object.
  TGuiControl* last = nullptr;
  for (TItem* c = chooser->Controls.First(); c != nullptr; c = c->GetNext()) {
    if (static_cast<TGuiControl*>(c)->Name == "Item") last = static_cast<TGuiControl*>(c);
  }
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->Text, "Item 19");
  chooser->Sender = last;
  chooser->OnClick();
  EXPECT_EQ(texts, std::vector<std::string>{"Item 19"});
  EXPECT_EQ(objects, std::vector<TItem*>{&chooser->Objects[19]});

  // "Nil" chooses nothing; cancelling calls nothing.
  Frames(2);
  ShowDialog("Numbers", {.OnText = [&](const std::string& T) { texts.push_back(T); },
                         .OnItem = [&](TItem* I) { objects.push_back(I); }});
  Frames(2);
  Click(chooser, "Nil");
  EXPECT_EQ(texts.back(), "");
  EXPECT_EQ(objects.back(), nullptr);
  Frames(2);
  ShowDialog("Numbers", {.OnText = [&](const std::string& T) { texts.push_back(T); }});
  Frames(2);
  Click(chooser, "Cancel");
  EXPECT_EQ(texts.size(), 2u);
}

}  // namespace
}  // namespace tv::test
