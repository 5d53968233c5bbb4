// The table of the game's dialogs and forms: one row a screen (its name, how it is made, whether
// it exists only in debug mode). The program registers every row at start-up; a new screen adds
// its files and one row here.
#pragma once

#include <memory>
#include <span>

#include "engine/EngineGui.h"

namespace tv {

struct TGameDialogRow {
  const char* Name;
  std::unique_ptr<TGuiDialog> (*Make)(const char* Name);
  bool DebugOnly;
};

struct TGameFormRow {
  const char* Name;
  std::unique_ptr<TGuiForm> (*Make)(const char* Name);
};

// In registration order. The splash form is not in the table: it is made first, by the program,
// because it decides the first screen.
std::span<const TGameDialogRow> GameDialogRows();
std::span<const TGameFormRow> GameFormRows();

}  // namespace tv
