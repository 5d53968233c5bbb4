// The debug dialog that lists the scenario's props.
#include <gtest/gtest.h>

#include <string>

#include "GuiScreensFixture.h"
#include "base/AppProcess.h"
#include "game/GamePool.h"
#include "game/GameProp.h"
#include "game/GameScenario.h"
#include "game/gui/GameGuiDialogChoose.h"

namespace tv::test {
namespace {

TEST_F(GuiScreens, ShowAllPropsListsTheScenariosProps) {
  GuiShutdown();
  SetDebugMode(true);
  GuiStartup();
  RegisterScreens();
  SetDebugMode(false);
  CreatePool();
  CreateScenario();
  for (const char* name : {"Rope", "Lantern", "Salt"}) Props()->Insert(new TProp(name), true);  // owned
  std::vector<TItem*> chosen;
  ShowDialog(gui::DialogShowAllProps, {.OnItem = [&](TItem* I) { chosen.push_back(I); }});
  Frames(1);
  auto* chooser = dynamic_cast<TGuiDialogChoose*>(TopDialog());
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(chooser->Matching().size(), 3u);
  TGuiControl* first = chooser->FindControl("Item");
  ASSERT_NE(first, nullptr);
  chooser->Sender = first;
  chooser->OnClick();
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_NE(dynamic_cast<TProp*>(chosen[0]), nullptr);
  GuiShutdown();
  DestroyScenario();
  DestroyPool();
}

}  // namespace
}  // namespace tv::test
