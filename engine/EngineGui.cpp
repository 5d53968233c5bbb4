#include "engine/EngineGui.h"

#include <utility>

namespace tv {

namespace {
TGuiHandler* Handler = nullptr;
}  // namespace

void SetGuiHandler(TGuiHandler* NewHandler) { Handler = NewHandler; }

TGuiHandler* GetGuiHandler() { return Handler; }

void DropGuiCallbacks() {
  if (Handler != nullptr) Handler->DropCallbacks();
}

void ShowDialog(const std::string& Name, const std::string& MessageKey, const std::string& DefaultText, int32_t Value,
                TGuiCallback OnDone, TGuiTextCallback OnText, TGuiItemCallback OnItem, TItem* Data) {
  if (Handler == nullptr) return;
  TDialogArgs args;
  args.MessageKey = MessageKey;
  args.DefaultText = DefaultText;
  args.Value = Value;
  args.OnDone = std::move(OnDone);
  args.OnText = std::move(OnText);
  args.OnItem = std::move(OnItem);
  args.Data = Data;
  Handler->ShowDialog(Name, args);
}

void ShowDialog(const std::string& Name, TItem* Data) { ShowDialog(Name, {}, {}, 0, nullptr, nullptr, nullptr, Data); }

void SwitchForm(const std::string& FormName, const std::string& TransitionName, TGuiCallback Callback) {
  if (Handler != nullptr) Handler->SwitchForm(FormName, TransitionName, std::move(Callback));
}

void SendCommand(const std::string& FormName, const std::string& Text, TItem* Data) {
  if (Handler == nullptr || FormName.empty() || Text.empty()) return;
  Handler->SendCommand(FormName, Text, Data);
}

}  // namespace tv
