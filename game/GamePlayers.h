// Players: the profiles on this computer, each with its settings, its game (the event list) and
// the achievements it has earned, all kept in one save file with a backup of the previous one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/EngineClasses.h"

namespace tv {

class TPlayer : public TNamedItem {
 public:
  explicit TPlayer(std::string Name = {});
  ~TPlayer() override;

  bool FullScreen = false;
  int32_t EffectsVolume = 10;
  int32_t EnvironmentVolume = 10;
  int32_t MusicVolume = 8;
  std::unique_ptr<TContainer> Events;  // TEvent, recording order, owned
  std::vector<int32_t> Earned;
};

constexpr int32_t SaveVersion = 100;
constexpr int32_t OldestSaveVersion = 95;

// Takes over each setting of the engine's that differs from the player's, marking the players
// changed; ApplySettings hands the player's settings to the engine.
void CaptureSettings(TPlayer* Player);
void ApplySettings(TPlayer* Player);
void CaptureCurrentSettings();

// Loads the save file (or its backup); leaves exactly one current player.
void LoadPlayers();
// Writes the save file when something changed, keeping the previous one as the backup.
void SavePlayers();
// Saves, then frees the players. Safe without LoadPlayers.
void FreePlayers();
// Frees the players without saving (tests, tools).
void FreePlayersWithoutSaving();
// Where SavePlayers writes: the save file in the user folder, unless a tool points it at a file
// of its own (written without a backup), or at nothing ("") so that the run writes no file.
void SetSaveTarget(const std::string& Path);
void ResetSaveTarget();

int32_t PlayerCount();
TPlayer* PlayerAt(int32_t Index);
int32_t IndexOfPlayer(const TPlayer* Player);
bool NameExists(const std::string& Name);
void SelectPlayer(int32_t Index);
void AddPlayer(const std::string& Name);
void DeleteCurrentPlayer();
TPlayer* CurrentPlayer();
// The longest profile name a name prompt takes.
inline constexpr int32_t ProfileNameLength = 14;
void AskForName(TPlayer* Player);
void AddEarned(TPlayer* Player, int32_t Number);
bool HasEarned(const TPlayer* Player, int32_t Number);

bool PlayersChanged();
void MarkPlayersChanged();

// ---- The save file --------------------------------------------------------------------------------

// The players read from a save file, before they join the profile store.
struct TSaveContents {
  int32_t Version = SaveVersion;
  std::vector<std::unique_ptr<TPlayer>> Players;
  int32_t Current = 0;  // 1-based position, as stored
};

// Parses save file bytes; fails (EError) on a short or damaged file, an unsupported version or a
// file without players.
TSaveContents ParseSaveFile(std::string_view Bytes, const std::string& Label);
// The bytes of a save file holding the current players.
std::string SaveFileBytes();
// Writes the current players to Path safely: a temporary file beside it is written, flushed and
// synced, then renamed over Path. On failure Path is untouched and the failure propagates.
void WriteSaveFile(const std::string& Path);
// Replaces the players with those of a save file at Path; on any failure (reported in Why) the
// store holds one nameless player instead. Returns whether the file was read.
bool LoadPlayersFrom(const std::string& Path, std::string* Why = nullptr);

// The save file's name in the user folder ("Save_qv").
const std::string& SaveName();

// Test hook: makes the N-th step of the next saves fail (0 turns it off). The steps are: 1 create
// the temporary file, 2 write it, 3 sync it; when there is a file to keep as the backup: 4 read
// it, 5 create the backup's temporary file, 6 write it, 7 sync it, 8 rename it over the backup;
// then 9 rename the temporary file over the save.
void SetSaveFailureStep(int32_t Step);

// What the save file's writes go through, for the GUI trace: Start before the first byte of a
// save is written, then Done once it has replaced the save file, or Failed; Bytes are the save's
// contents. Only saves into the user folder are reported.
enum class TSaveStage { Start, Done, Failed };
using TSaveObserver = std::function<void(TSaveStage Stage, const std::string& Bytes)>;
void SetSaveObserver(TSaveObserver Observer);
// Test hook: each save sleeps Milliseconds after writing its temporary file and again before the
// final rename, so that a test can interrupt a save while it is under way (0: no pause).
void SetSavePause(uint32_t Milliseconds);

}  // namespace tv
