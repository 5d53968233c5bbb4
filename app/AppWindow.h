// The main window: its mode (full screen or a centred 16:9 window), the window procedure, the
// message pump that sleeps while the game is suspended, and the still shown while suspended.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/PlatformWindow.h"

namespace tv {

void CreateMainWindow();
void ApplyWindowMode(bool Force);
bool IsFullScreen();
void SetFullScreen(bool Value);
// The client size in the window system's units (what the window was placed with; mouse positions
// come in these units).
void GetClientSize(int32_t& Width, int32_t& Height);
// The client area's drawable in pixels: larger than the client size on a high-DPI screen. The video
// device sizes its back buffer from it; the client size when the window has no drawable.
void GetDrawableSize(int32_t& Width, int32_t& Height);
void SetWindowCaption(const std::u16string& Text);
void PumpMessages();
void CaptureStill();
void ReleaseStill();
bool HasStill();
void DestroyMainWindow();

// The client size for a desktop of W x H: the whole desktop in full screen; otherwise 90 % of
// the desktop along its limiting side in the 16:9 proportion, the width made even.
void WindowClientSizeFor(bool FullScreen, int32_t W, int32_t H, int32_t& Width, int32_t& Height);

// The window procedure: handles one message as the application does.
void HandleWindowMessage(const TWindowMessage& Message);

// Hooks for the video device: told when the client size changed, asked to draw the paused
// still into a 5-6-5 image, and asked to paint it while suspended.
struct TWindowVideoHooks {
  std::function<void()> SizeChanged;
  std::function<bool(std::vector<uint16_t>& Pixels, int32_t& Width, int32_t& Height)> CaptureStill;
  std::function<void(const std::vector<uint16_t>& Pixels, int32_t Width, int32_t Height)> PaintStill;
};
void SetWindowVideoHooks(TWindowVideoHooks Hooks);

class TSingleInstance;
// The channel through which a second copy asks this one to show its window; polled by the pump.
void SetWindowInstanceChannel(TSingleInstance* Channel);

}  // namespace tv
