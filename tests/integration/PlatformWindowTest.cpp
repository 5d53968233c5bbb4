// The platform window with a real SDL window (offscreen driver): events become window messages
// and input state through the same queue the system's events take, and a scripted input file
// injects what it says on the frames it names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AppInputScript.h"
#include "app/AppWindow.h"
#include "platform/PlatformWindowSdl.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

class PlatformWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(PlatformOpenWindow("Window test", error)) << error;
    PlatformClearInputState();
    Drain();
  }
  void TearDown() override {
    ClearInputScript();
    PlatformClearInputState();
    PlatformCloseWindow();
  }

  // Every message waiting now.
  static std::vector<TWindowMessage> Drain() {
    std::vector<TWindowMessage> out;
    TWindowMessage m;
    while (PlatformNextMessage(m, false, 0)) out.push_back(m);
    return out;
  }
  static std::vector<TWindowMessageKind> Kinds(const std::vector<TWindowMessage>& Messages) {
    std::vector<TWindowMessageKind> out;
    for (const TWindowMessage& m : Messages) out.push_back(m.Kind);
    return out;
  }
  static void WindowEvent(SDL_WindowEventID Id) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = static_cast<Uint8>(Id);
    PlatformInjectEvent(e);
  }
  static TInputEvent Event(TInputEvent::TKind Kind) {
    TInputEvent e;
    e.Kind = Kind;
    return e;
  }
};

TEST_F(PlatformWindowTest, WindowEventsBecomeTheirMessages) {
  using K = TWindowMessageKind;
  WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  WindowEvent(SDL_WINDOWEVENT_MINIMIZED);
  WindowEvent(SDL_WINDOWEVENT_RESTORED);
  WindowEvent(SDL_WINDOWEVENT_EXPOSED);
  WindowEvent(SDL_WINDOWEVENT_MOVED);  // nothing the application handles
  WindowEvent(SDL_WINDOWEVENT_CLOSE);
  PlatformInjectEvent(Event(TInputEvent::TKind::Quit));
  EXPECT_EQ(Kinds(Drain()),
            (std::vector<K>{K::Deactivate, K::Activate, K::Minimize, K::Activate, K::Paint, K::Close, K::Close}));
  // The pointer entering the window counts as seeing the mouse, without a message.
  EXPECT_FALSE(PlatformMouseSeen());
  WindowEvent(SDL_WINDOWEVENT_ENTER);
  EXPECT_TRUE(Drain().empty());
  EXPECT_TRUE(PlatformMouseSeen());
}

TEST_F(PlatformWindowTest, KeysTextAndTheMouseThroughOurOwnEvents) {
  TInputEvent down = Event(TInputEvent::TKind::KeyDown);
  down.Key = ScanReturn;
  PlatformInjectEvent(down);
  std::vector<TWindowMessage> got = Drain();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Kind, TWindowMessageKind::KeyDown);
  EXPECT_EQ(got[0].Key, KeyCodeReturn);
  EXPECT_TRUE(PlatformKeyDown(ScanReturn));
  EXPECT_FALSE(PlatformKeyDown(ScanEscape));
  TInputEvent up = Event(TInputEvent::TKind::KeyUp);
  up.Key = ScanReturn;
  PlatformInjectEvent(up);
  EXPECT_TRUE(Drain().empty()) << "a released key sends no message";
  EXPECT_FALSE(PlatformKeyDown(ScanReturn));

  // Typed text arrives as UTF-16 units, a character beyond the first plane as two.
  TInputEvent text = Event(TInputEvent::TKind::Text);
  text.Text = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // A, e acute, euro sign, a face
  PlatformInjectEvent(text);
  std::u16string units;
  for (const TWindowMessage& m : Drain()) {
    EXPECT_EQ(m.Kind, TWindowMessageKind::Character);
    units += m.Char;
  }
  EXPECT_EQ(units, u"A\u00E9\u20AC\U0001F600");

  TInputEvent move = Event(TInputEvent::TKind::MouseMove);
  move.X = 120;
  move.Y = 45;
  PlatformInjectEvent(move);
  TInputEvent press = Event(TInputEvent::TKind::ButtonDown);
  press.Button = MouseButtonRight;
  press.X = 130;
  press.Y = 50;
  PlatformInjectEvent(press);
  EXPECT_TRUE(Drain().empty());
  int32_t x = 0;
  int32_t y = 0;
  PlatformMousePosition(x, y);
  EXPECT_EQ(x, 130);
  EXPECT_EQ(y, 50);
  EXPECT_TRUE(PlatformMouseSeen());
  EXPECT_TRUE(PlatformMouseButtonDown(MouseButtonRight));
  EXPECT_FALSE(PlatformMouseButtonDown(MouseButtonLeft));
  press.Kind = TInputEvent::TKind::ButtonUp;
  PlatformInjectEvent(press);
  Drain();
  EXPECT_FALSE(PlatformMouseButtonDown(MouseButtonRight));

  EXPECT_EQ(PlatformScanCodeFromName("Left Alt"), ScanLeftAlt);
  EXPECT_EQ(PlatformScanCodeFromName("F11"), ScanF11);
  EXPECT_EQ(PlatformScanCodeFromName("NoSuchKey"), ScanUnknown);
}

TEST_F(PlatformWindowTest, AnInputScriptDeliversEachLineOnItsFrame) {
  test::TTempDir dir;
  const std::string path = dir / "input.txt";
  test::WriteFile(path,
                  "# comment\n\n1 keydown Left Alt\n1 text Ada\n2 down left\n2 up left\n3 keyup Left Alt\n"
                  "3 down right\n5 close\n");
  LoadInputScript(path);
  InjectScriptedInput(1);
  std::u16string typed;
  for (const TWindowMessage& m : Drain()) {
    if (m.Kind == TWindowMessageKind::Character) typed += m.Char;
  }
  EXPECT_EQ(typed, u"Ada");
  EXPECT_TRUE(PlatformKeyDown(ScanLeftAlt));
  EXPECT_FALSE(PlatformMouseButtonDown(MouseButtonLeft)) << "frame 2's events wait for frame 2";
  InjectScriptedInput(2);
  Drain();
  EXPECT_FALSE(PlatformMouseButtonDown(MouseButtonLeft)) << "pressed and released";
  InjectScriptedInput(4);  // frames 3 and 4: everything up to the frame
  EXPECT_TRUE(Kinds(Drain()).empty());
  EXPECT_FALSE(PlatformKeyDown(ScanLeftAlt));
  EXPECT_TRUE(PlatformMouseButtonDown(MouseButtonRight));
  InjectScriptedInput(5);
  EXPECT_EQ(Kinds(Drain()), (std::vector<TWindowMessageKind>{TWindowMessageKind::Close}));
  InjectScriptedInput(6);
  EXPECT_TRUE(Drain().empty()) << "each line once";
}

}  // namespace
}  // namespace tv
