#include <gtest/gtest.h>

#include "app/AppInput.h"
#include "platform/PlatformWindowSdl.h"

namespace tv {
namespace {

// Key and mouse events go through the platform layer's event path (no SDL device needed here).
void Key(SDL_Scancode Code, bool Down) {
  SDL_Event e{};
  e.type = Down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.keysym.scancode = Code;
  e.key.keysym.sym = SDL_GetKeyFromScancode(Code);
  PlatformInjectEvent(e);
}

void Button(int Which, bool Down) {
  SDL_Event e{};
  e.type = Down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.button = static_cast<uint8_t>(Which);
  PlatformInjectEvent(e);
}

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override {
    Reset();
    PlatformSetSwapButtons(false);
    ReadSwapButtons();
  }
  static void Reset() {
    PlatformClearInputState();
    ClearInput();
    EndTextInput();
  }
};

TEST_F(InputTest, PressedMeansDownNowAndUpBefore) {
  Key(SDL_SCANCODE_ESCAPE, true);
  UpdateInput();
  EXPECT_TRUE(KeyDown(KeyCancel));
  EXPECT_TRUE(KeyPressed(KeyCancel));
  UpdateInput();
  EXPECT_TRUE(KeyDown(KeyCancel));
  EXPECT_TRUE(KeyWasDown(KeyCancel));
  EXPECT_FALSE(KeyPressed(KeyCancel));
  Key(SDL_SCANCODE_ESCAPE, false);
  UpdateInput();
  EXPECT_FALSE(KeyDown(KeyCancel));
  EXPECT_FALSE(KeyDown(-1));
  EXPECT_FALSE(KeyDown(LogicalKeyCount));
}

TEST_F(InputTest, ModifiersHideKeysButAltReturnTogglesFullScreen) {
  Key(SDL_SCANCODE_LCTRL, true);
  Key(SDL_SCANCODE_H, true);
  Button(SDL_BUTTON_LEFT, true);
  UpdateInput();
  EXPECT_FALSE(KeyDown(KeyHint));
  EXPECT_TRUE(KeyDown(KeyClick));  // the mouse is never hidden
  Key(SDL_SCANCODE_LCTRL, false);
  UpdateInput();
  EXPECT_TRUE(KeyPressed(KeyHint));

  Reset();
  Key(SDL_SCANCODE_RALT, true);
  Key(SDL_SCANCODE_RETURN, true);
  UpdateInput();
  EXPECT_TRUE(KeyPressed(KeyToggleFullScreen));
  EXPECT_FALSE(KeyDown(KeyConfirm));
  Reset();
  Key(SDL_SCANCODE_F11, true);
  Key(SDL_SCANCODE_I, true);
  Key(SDL_SCANCODE_M, true);
  UpdateInput();
  EXPECT_TRUE(KeyDown(KeyToggleFullScreen));
  EXPECT_TRUE(KeyDown(KeyInventory));
  EXPECT_TRUE(KeyDown(KeyMap));
}

TEST_F(InputTest, ConfirmDependsOnTextInput) {
  Key(SDL_SCANCODE_SPACE, true);
  UpdateInput();
  EXPECT_TRUE(KeyDown(KeyConfirm));
  BeginTextInput("", 10, true, false, false);
  EnableTextInput();
  UpdateInput();
  EXPECT_FALSE(KeyDown(KeyConfirm));  // a space typed into a text is not a confirmation
  Key(SDL_SCANCODE_RETURN, true);
  UpdateInput();
  EXPECT_FALSE(KeyDown(KeyConfirm));  // Return makes a new line in multi-line input
  EndTextInput();
  BeginTextInput("", 10, false, false, false);
  EnableTextInput();
  UpdateInput();
  EXPECT_TRUE(KeyDown(KeyConfirm));
}

TEST_F(InputTest, SwappedButtonsMakeTheRightButtonTheClick) {
  PlatformSetSwapButtons(true);
  ReadSwapButtons();
  Button(SDL_BUTTON_LEFT, true);
  UpdateInput();
  EXPECT_FALSE(KeyDown(KeyClick));
  Button(SDL_BUTTON_RIGHT, true);
  UpdateInput();
  EXPECT_TRUE(KeyDown(KeyClick));
}

TEST_F(InputTest, KeysHeldThroughASuspendDoNotCountAsPressed) {
  Key(SDL_SCANCODE_ESCAPE, true);
  ResetInput();
  EXPECT_TRUE(KeyDown(KeyCancel));
  EXPECT_FALSE(KeyPressed(KeyCancel));
  ClearInput();
  EXPECT_FALSE(KeyDown(KeyCancel));
  EXPECT_FALSE(KeyWasDown(KeyCancel));
}

// ---- Text input -----------------------------------------------------------------------------

void Type(const std::string& Text) {
  for (char c : Text) TextInputKey(static_cast<uint8_t>(c));
}

TEST(TextInputTest, LengthCursorAndEditing) {
  BeginTextInput("abcdef", 1, false, false, false);  // at least 3
  EXPECT_EQ(GetTextInput(), "abc");
  EXPECT_EQ(GetTextInputCursor(), 4);
  EXPECT_FALSE(TextInputActive());
  EnableTextInput();
  Type("d");
  EXPECT_EQ(GetTextInput(), "abc");  // full
  TextInputKey(1);
  TextInputKey(1);
  TextInputKey(8);  // backspace removes "a"
  EXPECT_EQ(GetTextInput(), "bc");
  EXPECT_EQ(GetTextInputCursor(), 1);
  TextInputKey(8);  // nothing before the cursor
  TextInputKey(3);  // delete removes "b"
  EXPECT_EQ(GetTextInput(), "c");
  TextInputKey(2);
  TextInputKey(2);
  EXPECT_EQ(GetTextInputCursor(), 2);
  TextInputKey(160);   // the no-break space types a space
  TextInputKey('\r');  // single line: ignored
  TextInputKey(9);     // other control codes: ignored
  EXPECT_EQ(GetTextInput(), "c ");
  EXPECT_EQ(EndTextInput(), "c");
  EXPECT_FALSE(TextInputActive());

  BeginTextInput("", -5, true, false, false);
  EnableTextInput();
  Type("a\rb");
  EXPECT_EQ(GetTextInput(), "a\nb");
  ResetTextInput();
  EXPECT_EQ(GetTextInputCursor(), 0);
  Type("x");  // a reset cursor still types at the start
  EXPECT_EQ(GetTextInput(), "x");
  EndTextInput();
}

TEST(TextInputTest, StoreAndInsert) {
  BeginTextInput("abc", 5, false, false, false);
  StoreTextInput();  // not active: nothing stored
  EXPECT_FALSE(HasStoredText());
  EnableTextInput();
  StoreTextInput();
  EXPECT_TRUE(HasStoredText());
  TextInputKey(1);
  InsertStoredText();  // at the cursor, which stays; cut to the maximum length
  EXPECT_EQ(GetTextInput(), "ababc");
  EXPECT_EQ(GetTextInputCursor(), 3);
  EXPECT_FALSE(HasStoredText());
  ClearTextInput();
  EXPECT_EQ(GetTextInput(), "");
  EXPECT_EQ(GetTextInputCursor(), 1);
  EndTextInput();
}

TEST(TextInputTest, NameFilterKeepsNamesUsableAsFileNames) {
  BeginTextInput("", 20, false, false, true);
  EnableTextInput();
  Type(" ");      // no leading space
  Type("A/b:c");  // punctuation is refused
  EXPECT_EQ(GetTextInput(), "Abc");
  Type("..");  // one full stop after a letter, never two
  Type("  d");
  EXPECT_EQ(GetTextInput(), "Abc. d");
  TextInputKey(static_cast<uint8_t>('\x93'));  // a curly quotation mark
  TextInputKey(static_cast<uint8_t>('\xE9'));  // an accented letter is fine
  EXPECT_EQ(GetTextInput(), "Abc. d\xE9");
  EndTextInput();

  // Deleting the word between two spaces leaves one space.
  BeginTextInput("one two three", 20, false, false, true);
  EnableTextInput();
  for (int i = 0; i < 6; ++i) TextInputKey(1);  // cursor after "two"
  for (int i = 0; i < 3; ++i) TextInputKey(8);
  EXPECT_EQ(GetTextInput(), "one three");
  EXPECT_EQ(GetTextInputCursor(), 5);  // where the word was, before "three"
  EXPECT_EQ(EndTextInput(), "one three");
}

TEST(TextInputTest, CleanUpRemovesBadSpacesAndStops) {
  EXPECT_EQ(CleanUpName(" a  b "), "a b");
  EXPECT_EQ(CleanUpName(".a..b .c"), "a.b c");
  EXPECT_EQ(CleanUpName("a\n b"), "a\nb");
  EXPECT_EQ(CleanUpName("   "), "");
}

TEST_F(InputTest, FocusKeysLeaveTypingAloneAndTellWhichDeviceWasUsedLast) {
  auto tap = [](SDL_Scancode Code) {
    Key(Code, true);
    UpdateInput();
    Key(Code, false);
  };
  UpdateInput();
  EXPECT_EQ(LastInputDevice(), TInputDevice::Mouse);
  // Return confirms as it always did: it does not turn keyboard play on.
  tap(SDL_SCANCODE_RETURN);
  EXPECT_TRUE(KeyPressed(KeyConfirm));
  EXPECT_TRUE(KeyPressed(KeyActivate));
  EXPECT_EQ(LastInputDevice(), TInputDevice::Mouse);
  tap(SDL_SCANCODE_DOWN);
  EXPECT_TRUE(KeyPressed(KeyFocusDown));
  EXPECT_EQ(LastInputDevice(), TInputDevice::Keyboard);
  Key(SDL_SCANCODE_LSHIFT, true);
  tap(SDL_SCANCODE_TAB);
  EXPECT_TRUE(KeyPressed(KeyFocusPrevious));
  EXPECT_FALSE(KeyDown(KeyFocusNext));
  Key(SDL_SCANCODE_LSHIFT, false);
  tap(SDL_SCANCODE_PAGEDOWN);
  EXPECT_TRUE(KeyPressed(KeyPageNext));
  // While a line is typed, arrows move its cursor and Space and Return are no focus keys.
  BeginTextInput("ab", 10, false, false, false);
  EnableTextInput();
  tap(SDL_SCANCODE_LEFT);
  EXPECT_FALSE(KeyDown(KeyFocusLeft));
  tap(SDL_SCANCODE_SPACE);
  EXPECT_FALSE(KeyDown(KeyActivate));
  tap(SDL_SCANCODE_TAB);
  EXPECT_TRUE(KeyPressed(KeyFocusNext));
  EndTextInput();
  // A click hands play back to the mouse.
  Button(SDL_BUTTON_LEFT, true);
  UpdateInput();
  Button(SDL_BUTTON_LEFT, false);
  EXPECT_EQ(LastInputDevice(), TInputDevice::Mouse);
}

}  // namespace
}  // namespace tv
