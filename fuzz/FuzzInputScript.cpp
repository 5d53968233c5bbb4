// Fuzz target for the GUI input-script parser ("-input FILE"): any bytes, split into lines as the
// loader splits a file. Each line either parses or fails with the parser's own EError. A line that
// parses must hold what the player can deliver (a frame from 1 for absolute lines, a known key,
// 1 to 31 bytes of text, a limit from 1, finite positions), and written back in the script's own form it must parse
// again to the same event.
#include <SDL.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/AppInputScript.h"
#include "base/EngineClasses.h"

namespace {

using tv::TScriptLine;

std::string Number(float Value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(Value));
  return text;
}

// The line in its canonical form.
std::string Write(const TScriptLine& L) {
  std::string s = (L.Relative ? "+" : "") + std::to_string(L.Frame) + " ";
  switch (L.What) {
    case TScriptLine::Kind::Move: return s + "move " + Number(L.X) + " " + Number(L.Y);
    case TScriptLine::Kind::ButtonDown:
    case TScriptLine::Kind::ButtonUp:
      return s + (L.What == TScriptLine::Kind::ButtonDown ? "down " : "up ") +
             (L.Button == tv::MouseButtonLeft ? "left" : "right");
    case TScriptLine::Kind::KeyDown:
    case TScriptLine::Kind::KeyUp:
    case TScriptLine::Kind::Key: {
      const char* verb =
          L.What == TScriptLine::Kind::KeyDown ? "keydown " : (L.What == TScriptLine::Kind::KeyUp ? "keyup " : "key ");
      return s + verb + SDL_GetScancodeName(static_cast<SDL_Scancode>(L.Key));
    }
    case TScriptLine::Kind::Text: return s + "text " + L.Text;
    case TScriptLine::Kind::Close: return s + "close";
    case TScriptLine::Kind::Click: return s + "click " + L.Text;
    case TScriptLine::Kind::WaitForm: return s + "wait form " + L.Text + " " + std::to_string(L.Limit);
    case TScriptLine::Kind::WaitDialog: return s + "wait dialog " + L.Text + " " + std::to_string(L.Limit);
    case TScriptLine::Kind::WaitReady: return s + "wait ready " + std::to_string(L.Limit);
    case TScriptLine::Kind::WaitControl: return s + "wait control " + L.Text + " " + std::to_string(L.Limit);
    case TScriptLine::Kind::WaitShown: return s + "wait shown " + L.Text + " " + std::to_string(L.Limit);
    case TScriptLine::Kind::WaitIdle: return s + "wait idle " + std::to_string(L.Limit);
    case TScriptLine::Kind::WaitReload: return s + "wait reload " + L.Text + " " + std::to_string(L.Limit);
    case TScriptLine::Kind::WaitFocus: return s + "wait focus " + L.Text + " " + std::to_string(L.Limit);
    case TScriptLine::Kind::SteerPad: return s + "steer pad " + L.Text;
    case TScriptLine::Kind::SteerTab: return s + "steer tab " + L.Text;
    case TScriptLine::Kind::Pad:
      return s + "pad " + SDL_GameControllerGetStringForButton(static_cast<SDL_GameControllerButton>(L.Button));
    case TScriptLine::Kind::PadAxis:
      return s + "pad-axis " + SDL_GameControllerGetStringForAxis(static_cast<SDL_GameControllerAxis>(L.Button)) + " " +
             Number(L.X);
    case TScriptLine::Kind::Screenshot: return s + "screenshot " + L.Text;
    case TScriptLine::Kind::ClickRandom: return s + "click-random";
    case TScriptLine::Kind::Minimize: return s + "minimize " + std::to_string(L.Milliseconds);
  }
  return s;
}

bool Same(const TScriptLine& A, const TScriptLine& B) {
  return A.Relative == B.Relative && A.Frame == B.Frame && A.What == B.What && A.X == B.X && A.Y == B.Y &&
         A.Button == B.Button && A.Key == B.Key && A.Text == B.Text && A.Limit == B.Limit &&
         A.Milliseconds == B.Milliseconds;
}

void Check(const TScriptLine& L) {
  if (!L.Relative && L.Frame == 0) __builtin_trap();
  if (L.Limit == 0) __builtin_trap();
  switch (L.What) {
    case TScriptLine::Kind::Move:
      if (!std::isfinite(L.X) || !std::isfinite(L.Y)) __builtin_trap();
      break;
    case TScriptLine::Kind::ButtonDown:
    case TScriptLine::Kind::ButtonUp:
      if (L.Button != tv::MouseButtonLeft && L.Button != tv::MouseButtonRight) __builtin_trap();
      break;
    case TScriptLine::Kind::KeyDown:
    case TScriptLine::Kind::KeyUp:
    case TScriptLine::Kind::Key:
      if (L.Key <= tv::ScanUnknown || L.Key >= tv::ScanCodeCount) __builtin_trap();
      break;
    case TScriptLine::Kind::Text:
      if (L.Text.empty() || L.Text.size() > tv::MaxInputTextBytes) __builtin_trap();
      break;
    case TScriptLine::Kind::Pad:
      if (L.Button < 0 || L.Button >= tv::PadButtonCount) __builtin_trap();
      break;
    case TScriptLine::Kind::PadAxis:
      if (L.Button < 0 || L.Button >= tv::PadAxisCount || !(L.X >= -1 && L.X <= 1)) __builtin_trap();
      break;
    case TScriptLine::Kind::Minimize:
      if (L.Milliseconds == 0 || L.Milliseconds > tv::MaxMinimizedMs) __builtin_trap();
      break;
    case TScriptLine::Kind::Click:
    case TScriptLine::Kind::WaitControl:
    case TScriptLine::Kind::WaitShown:
    case TScriptLine::Kind::Screenshot:
    case TScriptLine::Kind::WaitForm:
    case TScriptLine::Kind::WaitDialog:
    case TScriptLine::Kind::WaitFocus:
    case TScriptLine::Kind::SteerPad:
    case TScriptLine::Kind::SteerTab:
      if (L.Text.empty()) __builtin_trap();
      break;
    default: break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string input(reinterpret_cast<const char*>(Data), Size);
  size_t start = 0;
  while (start <= input.size()) {
    size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    const std::string line = input.substr(start, end - start);
    start = end + 1;
    TScriptLine parsed;
    bool ok = false;
    try {
      ok = tv::ParseInputScriptLine(line, parsed);
    } catch (const tv::EError&) {
      continue;
    }
    if (!ok) continue;
    Check(parsed);
    // A text ending in a carriage return cannot be written back: the reader drops one from the line.
    if (parsed.What == TScriptLine::Kind::Text && parsed.Text.back() == '\r') continue;
    TScriptLine again;
    bool reparsed = false;
    try {
      reparsed = tv::ParseInputScriptLine(Write(parsed), again);
    } catch (const tv::EError&) {
      __builtin_trap();
    }
    if (!reparsed || !Same(parsed, again)) __builtin_trap();
  }
  return 0;
}
