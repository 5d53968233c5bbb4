#include "app/AppInput.h"

#include <array>
#include <cmath>
#include <cstdlib>

#include "app/AppMain.h"
#include "app/AppWindow.h"
#include "engine/EngineAudio.h"
#include "platform/PlatformWindow.h"

namespace tv {

namespace {

struct TInputState {
  std::array<bool, LogicalKeyCount> Now{};
  std::array<bool, LogicalKeyCount> Before{};
  bool SwapButtons = false;
  bool MouseInside = false;
  TVector Mouse;
  TVector Canvas;  // set by the video device; zero until it does
  TInputDevice Device = TInputDevice::Mouse;
  int32_t MouseX = 0;  // the mouse in window units at the last update
  int32_t MouseY = 0;
  bool PadAnyBefore = false;
};

struct TTextInputState {
  bool Active = false;
  std::string Text;
  int32_t Cursor = 1;
  int32_t MaxLength = 3;
  bool MultiLine = false;
  bool KeySound = false;
  bool NameFilter = false;
  std::string Store;
};

TInputState Input;
TTextInputState TextInput;

void PlayKeySound() { PlaySound("G8Key", false, SoundGroupEffects, nullptr); }

void ReadKeys(std::array<bool, LogicalKeyCount>& Keys) {
  Keys.fill(false);
  Keys[KeyClick] = PlatformMouseButtonDown(Input.SwapButtons ? MouseButtonRight : MouseButtonLeft);
  const bool alt = PlatformKeyDown(ScanLeftAlt) || PlatformKeyDown(ScanRightAlt);
  const bool modifier = alt || PlatformKeyDown(ScanLeftCtrl) || PlatformKeyDown(ScanRightCtrl) ||
                        PlatformKeyDown(ScanLeftGui) || PlatformKeyDown(ScanRightGui);
  const bool enter = PlatformKeyDown(ScanReturn) || PlatformKeyDown(ScanKeypadEnter);
  if (modifier) {
    Keys[KeyToggleFullScreen] = alt && enter;
    return;
  }
  Keys[KeyCancel] = PlatformKeyDown(ScanEscape);
  Keys[KeyConfirm] =
      (enter && !(TextInput.Active && TextInput.MultiLine)) || (!TextInput.Active && PlatformKeyDown(ScanSpace));
  Keys[KeyToggleFullScreen] = PlatformKeyDown(ScanF11);
  Keys[KeyHint] = PlatformKeyDown(ScanH) || PlatformKeyDown(ScanF1);
  Keys[KeyInventory] = PlatformKeyDown(ScanI);
  Keys[KeyMap] = PlatformKeyDown(ScanM);
  // Arrows edit the typed text while text input is active; Tab never types.
  const bool arrows = !TextInput.Active;
  const bool shift = PlatformKeyDown(ScanLeftShift) || PlatformKeyDown(ScanRightShift);
  const bool tab = PlatformKeyDown(ScanTab);
  Keys[KeyFocusUp] = arrows && PlatformKeyDown(ScanUp);
  Keys[KeyFocusDown] = arrows && PlatformKeyDown(ScanDown);
  Keys[KeyFocusLeft] = arrows && PlatformKeyDown(ScanLeft);
  Keys[KeyFocusRight] = arrows && PlatformKeyDown(ScanRight);
  Keys[KeyFocusNext] = tab && !shift;
  Keys[KeyFocusPrevious] = tab && shift;
  Keys[KeyActivate] = !TextInput.Active && (enter || PlatformKeyDown(ScanSpace));
  Keys[KeyPageNext] = PlatformKeyDown(ScanPageDown);
  Keys[KeyPagePrevious] = PlatformKeyDown(ScanPageUp);
}

// The controller's part, added to the keyboard's: it reads the same whatever modifier is held.
void ReadPad(std::array<bool, LogicalKeyCount>& Keys) {
  const float x = PlatformPadAxis(PadLeftX);
  const float y = PlatformPadAxis(PadLeftY);
  Keys[KeyFocusUp] = Keys[KeyFocusUp] || PlatformPadButtonDown(PadUp) || y <= -StickThreshold;
  Keys[KeyFocusDown] = Keys[KeyFocusDown] || PlatformPadButtonDown(PadDown) || y >= StickThreshold;
  Keys[KeyFocusLeft] = Keys[KeyFocusLeft] || PlatformPadButtonDown(PadLeft) || x <= -StickThreshold;
  Keys[KeyFocusRight] = Keys[KeyFocusRight] || PlatformPadButtonDown(PadRight) || x >= StickThreshold;
  Keys[KeyActivate] = Keys[KeyActivate] || PlatformPadButtonDown(PadA);
  Keys[KeyCancel] = Keys[KeyCancel] || PlatformPadButtonDown(PadB) || PlatformPadButtonDown(PadStart);
  Keys[KeyPageNext] = Keys[KeyPageNext] || PlatformPadButtonDown(PadRightShoulder);
  Keys[KeyPagePrevious] = Keys[KeyPagePrevious] || PlatformPadButtonDown(PadLeftShoulder);
}

bool PadAnyDown() {
  for (int32_t b = 0; b < PadButtonCount; ++b) {
    if (PlatformPadButtonDown(b)) return true;
  }
  return std::fabs(PlatformPadAxis(PadLeftX)) >= StickThreshold ||
         std::fabs(PlatformPadAxis(PadLeftY)) >= StickThreshold;
}

// Which device gave the last input, from what changed since the previous update.
void NoteDevice(int32_t MouseX, int32_t MouseY) {
  const bool padNow = PadAnyDown();
  const bool mouse =
      MouseX != Input.MouseX || MouseY != Input.MouseY || (Input.Now[KeyClick] && !Input.Before[KeyClick]);
  // Return and Space alone do not start keyboard play: they confirm as they always did.
  bool keyboard = false;
  for (int32_t k = KeyFocusUp; k < LogicalKeyCount; ++k) {
    if (k == KeyActivate) continue;
    if (Input.Now[static_cast<size_t>(k)] && !Input.Before[static_cast<size_t>(k)]) keyboard = true;
  }
  if (padNow && !Input.PadAnyBefore) {
    Input.Device = TInputDevice::Pad;
  } else if (keyboard && !padNow) {
    Input.Device = TInputDevice::Keyboard;
  } else if (mouse) {
    Input.Device = TInputDevice::Mouse;
  }
  Input.PadAnyBefore = padNow;
  Input.MouseX = MouseX;
  Input.MouseY = MouseY;
}

// Bytes a name may never hold: ASCII punctuation but the full stop, and the code page's quotation
// marks, dashes, bullets, ellipsis and common symbols.
bool ForbiddenInName(uint8_t c) {
  if ((c >= 0x21 && c <= 0x2F && c != 0x2E) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
      (c >= 0x7B && c <= 0x7F) || (c >= 0x84 && c <= 0x87) || (c >= 0x91 && c <= 0x99) || (c >= 0xAB && c <= 0xAE)) {
    return true;
  }
  switch (c) {
    case 0x82:
    case 0x89:
    case 0x8B:
    case 0x9B:
    case 0xA4:
    case 0xA6:
    case 0xA7:
    case 0xA9:
    case 0xB0:
    case 0xB1:
    case 0xB6:
    case 0xB7:
    case 0xBB: return true;
    default: return false;
  }
}

bool AllowedInName(uint8_t c, char Prev, char Next) {
  if (c == ' ') return Prev != '\n' && Prev != ' ' && Next != ' ';
  if (c == '.') return Prev != '\n' && Prev != ' ' && Prev != '.' && Next != '.';
  return !ForbiddenInName(c);
}

void RunNameCleanUp() {
  // Keep the cursor on the same character: every removal before it moves it one to the left.
  const std::string before = TextInput.Text;
  std::string after = CleanUpName(before);
  if (after.size() != before.size()) {
    // Count what was removed in front of the cursor by walking both texts together.
    int32_t removedBefore = 0;
    size_t j = 0;
    for (size_t i = 0; i < before.size() && static_cast<int32_t>(i) + 1 < TextInput.Cursor; ++i) {
      if (j < after.size() && after[j] == before[i]) {
        ++j;
      } else {
        ++removedBefore;
      }
    }
    TextInput.Cursor -= removedBefore;
  }
  TextInput.Text = std::move(after);
  TextInput.Cursor = Clamp(TextInput.Cursor, 1, static_cast<int32_t>(TextInput.Text.size()) + 1);
}

}  // namespace

void ReadSwapButtons() { Input.SwapButtons = PlatformSwapButtons(); }

void SetScreenCanvasSize(TVector Size) { Input.Canvas = Size; }

TVector ScreenCanvasSize() {
  if (Input.Canvas.X > 0 && Input.Canvas.Y > 0) return Input.Canvas;
  int32_t w = 0;
  int32_t h = 0;
  GetClientSize(w, h);
  if (w <= 0 || h <= 0) return {1600, 900};
  // The design screen extended in width or height to the window's aspect.
  if (static_cast<float>(w) / static_cast<float>(h) > 1600.0f / 900.0f) {
    return {900.0f * static_cast<float>(w) / static_cast<float>(h), 900.0f};
  }
  return {1600.0f, 1600.0f * static_cast<float>(h) / static_cast<float>(w)};
}

void UpdateInput() {
  int32_t x = 0;
  int32_t y = 0;
  PlatformMousePosition(x, y);
  int32_t w = 0;
  int32_t h = 0;
  GetClientSize(w, h);
  if (IsFullScreen()) {
    Input.MouseInside = true;
  } else {
    Input.MouseInside = PlatformMouseSeen() && x >= 0 && x < w && y >= 0 && y < h;
  }
  // The mouse comes in the window's units, the picture is drawn in the drawable's pixels: scale the
  // position into pixels, then into the screen canvas, whose pixel size is the drawable's.
  int32_t pw = 0;
  int32_t ph = 0;
  GetDrawableSize(pw, ph);
  const TVector canvas = ScreenCanvasSize();
  if (w > 0 && h > 0 && pw > 0 && ph > 0) {
    const float px = static_cast<float>(x) * static_cast<float>(pw) / static_cast<float>(w);
    const float py = static_cast<float>(y) * static_cast<float>(ph) / static_cast<float>(h);
    Input.Mouse = {(px / static_cast<float>(pw) - 0.5f) * canvas.X, (py / static_cast<float>(ph) - 0.5f) * canvas.Y};
  }
  Input.Before = Input.Now;
  ReadKeys(Input.Now);
  ReadPad(Input.Now);
  NoteDevice(x, y);
}

void ResetInput() {
  ReadKeys(Input.Now);
  ReadPad(Input.Now);
  Input.Before = Input.Now;
  Input.PadAnyBefore = PadAnyDown();
}

void ClearInput() {
  Input.Now.fill(false);
  Input.Before = Input.Now;
  PlatformClearInputState();
}

bool KeyDown(int32_t Index) { return Index >= 0 && Index < LogicalKeyCount && Input.Now[static_cast<size_t>(Index)]; }
bool KeyWasDown(int32_t Index) {
  return Index >= 0 && Index < LogicalKeyCount && Input.Before[static_cast<size_t>(Index)];
}
bool KeyPressed(int32_t Index) { return KeyDown(Index) && !KeyWasDown(Index); }
TVector MousePosition() { return Input.Mouse; }
TInputDevice LastInputDevice() { return Input.Device; }
bool IsMouseInside() { return Input.MouseInside; }

// ---- Text input -----------------------------------------------------------------------------

void BeginTextInput(const std::string& Text, int32_t MaxLength, bool MultiLine, bool KeySound, bool NameFilter) {
  const int64_t length = std::llabs(static_cast<int64_t>(MaxLength));
  TextInput.MaxLength = static_cast<int32_t>(length < 3 ? 3 : (length > 0x7FFFFFFF ? 0x7FFFFFFF : length));
  TextInput.Text = Text.substr(0, static_cast<size_t>(TextInput.MaxLength));
  TextInput.Cursor = static_cast<int32_t>(TextInput.Text.size()) + 1;
  TextInput.MultiLine = MultiLine;
  TextInput.KeySound = KeySound;
  TextInput.NameFilter = NameFilter;
}

void EnableTextInput() { TextInput.Active = true; }
bool TextInputActive() { return TextInput.Active; }

void TextInputKey(uint8_t Code) {
  if (Code == 160) Code = ' ';
  std::string& text = TextInput.Text;
  const auto length = static_cast<int32_t>(text.size());
  // Keep the cursor within the text whatever state an earlier reset left it in.
  TextInput.Cursor = Clamp(TextInput.Cursor, 1, length + 1);
  int32_t& cursor = TextInput.Cursor;
  if (Code >= 32 || ((Code == '\r' || Code == '\n') && TextInput.MultiLine)) {
    if (length >= TextInput.MaxLength) return;
    const char c = Code == '\r' ? '\n' : static_cast<char>(Code);
    if (TextInput.NameFilter) {
      const char prev = cursor > 1 ? text[static_cast<size_t>(cursor - 2)] : '\n';
      const char next = cursor <= length ? text[static_cast<size_t>(cursor - 1)] : '\n';
      if (!AllowedInName(static_cast<uint8_t>(c), prev, next)) return;
    }
    text.insert(static_cast<size_t>(cursor - 1), 1, c);
    ++cursor;
    if (TextInput.KeySound) PlayKeySound();
    return;
  }
  switch (Code) {
    case 1:
      if (cursor > 1) --cursor;
      break;
    case 2:
      if (cursor <= length) ++cursor;
      break;
    case 3:
      if (cursor <= length) {
        text.erase(static_cast<size_t>(cursor - 1), 1);
        if (TextInput.KeySound) PlayKeySound();
        if (TextInput.NameFilter) RunNameCleanUp();
      }
      break;
    case 8:
      if (!text.empty() && cursor > 1) {
        text.erase(static_cast<size_t>(cursor - 2), 1);
        --cursor;
        if (TextInput.KeySound) PlayKeySound();
        if (TextInput.NameFilter) RunNameCleanUp();
      }
      break;
    default: break;
  }
}

const std::string& GetTextInput() { return TextInput.Text; }
int32_t GetTextInputCursor() { return TextInput.Cursor; }

void StoreTextInput() {
  if (TextInput.Active) TextInput.Store = TextInput.Text;
}

bool HasStoredText() { return !TextInput.Store.empty(); }

void InsertStoredText() {
  if (!TextInput.Active || TextInput.Store.empty()) return;
  const auto at = static_cast<size_t>(Clamp(TextInput.Cursor, 1, static_cast<int32_t>(TextInput.Text.size()) + 1) - 1);
  TextInput.Text.insert(at, TextInput.Store);
  TextInput.Store.clear();
  if (static_cast<int32_t>(TextInput.Text.size()) > TextInput.MaxLength) {
    TextInput.Text.resize(static_cast<size_t>(TextInput.MaxLength));
  }
}

void ClearTextInput() {
  TextInput.Text.clear();
  TextInput.Cursor = 1;
}

std::string EndTextInput() {
  TextInput.Active = false;
  if (TextInput.NameFilter) RunNameCleanUp();
  const std::string& text = TextInput.Text;
  size_t first = 0;
  size_t last = text.size();
  while (first < last && static_cast<uint8_t>(text[first]) <= 32) ++first;
  while (last > first && static_cast<uint8_t>(text[last - 1]) <= 32) --last;
  return text.substr(first, last - first);
}

void ResetTextInput() {
  TextInput.Text.clear();
  TextInput.Cursor = 0;
}

std::string CleanUpName(std::string Text) {
  size_t i = 0;
  while (i < Text.size()) {
    const char c = Text[i];
    const char prev = i > 0 ? Text[i - 1] : '\0';
    const char next = i + 1 < Text.size() ? Text[i + 1] : '\0';
    bool remove = false;
    if (c == ' ') {
      remove = i == 0 || i + 1 == Text.size() || prev == ' ' || next == ' ' || prev == '\n' || next == '\n' ||
               prev == '\r' || next == '\r';
    } else if (c == '.') {
      remove = i == 0 || prev == ' ' || prev == '\n' || prev == '\r' || next == '.';
    }
    if (remove) {
      Text.erase(i, 1);  // look again at the same position
    } else {
      ++i;
    }
  }
  return Text;
}

}  // namespace tv
