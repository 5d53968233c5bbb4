#include "game/GamePlayers.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>

#include "base/AppFolders.h"
#include "base/AppNumeric.h"
#include "base/AppProcess.h"
#include "engine/EngineAudio.h"
#include "engine/EngineGuiCalls.h"
#include "game/GameScreenNames.h"
#include "engine/EngineScript.h"
#include "engine/EngineVideo.h"
#include "game/GameAvatar.h"
#include "game/GameFile.h"
#include "game/GamePool.h"
#include "platform/PlatformSystem.h"

namespace tv {

namespace {

struct TPlayersState {
  std::unique_ptr<TContainer> Players;
  TPlayer* Current = nullptr;
  bool Dirty = false;
  std::string SaveName = "Save_qv";
  int32_t FailureStep = 0;
  bool CustomTarget = false;
  std::string Target;
  TSaveObserver Observer;
  uint32_t PauseMs = 0;
};

TPlayersState State;

// Smallest stored player: an empty name, the settings and two empty lists.
constexpr size_t MinPlayerBytes = 4 + 1 + 4 + 4 + 4 + 4 + 4;

std::string FolderOf(const std::string& Path) {
  const size_t slash = Path.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : Path.substr(0, slash);
}

std::string BaseNameOf(const std::string& Path) {
  const size_t slash = Path.find_last_of('/');
  return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

void FailAt(int32_t Step, const std::string& Why) {
  if (State.FailureStep == Step) throw EError(Why + " (simulated failure)");
}

// " (the system's reason)" for the failure that just happened, or nothing when there is none.
std::string SystemReason() {
  const int error = errno;
  return error != 0 ? std::string(" (") + std::strerror(error) + ")" : std::string();
}

void Pause() {
  if (State.PauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(State.PauseMs));
}

// Creates the file Name with Bytes and flushes it to the disk. The steps First, First + 1 and
// First + 2 of the failure hook stand before its creation, its writing and its flush.
void WriteAndSync(const std::string& Name, const std::string& Bytes, int32_t First) {
  FailAt(First, "Unable to create file \"" + Name + "\"");
  TFileStream file(Name, TFileStream::Mode::Create);
  if (!file.IsOpen()) throw EError("Unable to create file \"" + Name + "\"" + SystemReason());
  FailAt(First + 1, "Unable to write file \"" + Name + "\"");
  if (!file.Write(Bytes)) throw EError("Unable to write file \"" + Name + "\"" + SystemReason());
  FailAt(First + 2, "Unable to write file \"" + Name + "\"");
  if (!file.Sync()) throw EError("Unable to write file \"" + Name + "\"" + SystemReason());
}

// Writes Bytes to a temporary file beside Path, flushes it to the disk and renames it over Path,
// so that Path holds either its old or its new contents whatever happens. When Backup is given,
// the old contents of Path are first kept there the same way. Each step that touches the disk
// has a number for the failure hook (SetSaveFailureStep).
void WriteFileSafely(const std::string& Path, const std::string& Bytes, const std::string& Backup) {
  const std::string temp = Path + ".tmp";
  const std::string backupTemp = Backup + ".tmp";
  try {
    WriteAndSync(temp, Bytes, 1);
    Pause();
    if (!Backup.empty() && FileExists(Path)) {
      FailAt(4, "Unable to read file \"" + Path + "\"");
      const std::string old = ReadWholeFile(Path);
      WriteAndSync(backupTemp, old, 5);
      FailAt(8, "Unable to replace file \"" + Backup + "\"");
      if (!RenameFilePath(backupTemp, Backup))
        throw EError("Unable to replace file \"" + Backup + "\"" + SystemReason());
    }
    Pause();
    FailAt(9, "Unable to replace file \"" + Path + "\"");
    if (!RenameFilePath(temp, Path)) throw EError("Unable to replace file \"" + Path + "\"" + SystemReason());
    SyncFolder(FolderOf(Path));
  } catch (...) {
    DeleteFilePath(temp);
    if (!Backup.empty()) DeleteFilePath(backupTemp);
    throw;
  }
}

// Moves an unreadable save file aside (its name followed by ".bad-" and the time), so that it can
// still be recovered, instead of deleting it.
void MoveAside(const std::string& Path, const std::string& Why) {
  const std::time_t now = std::time(nullptr);
  const std::tm local = LocalTimeOf(now);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  std::string target = Path + ".bad-" + stamp;
  for (int n = 2; FileExists(target); ++n) target = Path + ".bad-" + stamp + "-" + std::to_string(n);
  if (RenameFilePath(Path, target)) {
    AddLogMessage("The save file \"" + BaseNameOf(Path) + "\" could not be read (" + Why + "); it was moved to \"" +
                  BaseNameOf(target) + "\"");
  } else {
    DeleteFilePath(Path);
    AddLogMessage("The save file \"" + BaseNameOf(Path) + "\" could not be read (" + Why + ") and was deleted");
  }
}

void EnsureStore() {
  if (!State.Players) State.Players = std::make_unique<TContainer>(false, true);
}

// Takes the players of a parsed file into the store and selects the stored current player.
void Adopt(TSaveContents& Contents) {
  EnsureStore();
  for (auto& player : Contents.Players) State.Players->Insert(player.release(), false);
  Contents.Players.clear();
  SelectPlayer(Contents.Current);
}

// One attempt at a file: true when it gave players. A file that exists but cannot be used is
// moved aside.
bool LoadFile(const std::string& Path) {
  if (!FileExists(Path)) return false;
  try {
    TSaveContents contents = ParseSaveFile(ReadWholeFile(Path), Path);
    Adopt(contents);
    return true;
  } catch (const EError& e) {
    if (State.Players) State.Players->Clear();
    State.Current = nullptr;
    MoveAside(Path, e.what());
    return false;
  }
}

std::string SavePath() { return DataFilePath(TFolderKind::User, State.SaveName, TExtKind::Dat); }
std::string BackupPath() { return DataFilePath(TFolderKind::User, "Backup_" + State.SaveName, TExtKind::Dat); }

}  // namespace

// ---- Players ----------------------------------------------------------------------------------------

TPlayer::TPlayer(std::string Name) : TNamedItem(std::move(Name)), Events(std::make_unique<TContainer>(false, true)) {}

TPlayer::~TPlayer() = default;

void CaptureSettings(TPlayer* Player) {
  if (Player == nullptr) return;
  auto take = [](auto& Field, auto Value) {
    if (Field != Value) {
      Field = Value;
      State.Dirty = true;
    }
  };
  take(Player->FullScreen, DisplayFullScreen());
  take(Player->EffectsVolume, GetGroupVolume(SoundGroupEffects));
  take(Player->EnvironmentVolume, GetGroupVolume(SoundGroupEnvironment));
  take(Player->MusicVolume, GetGroupVolume(SoundGroupMusic));
}

void ApplySettings(TPlayer* Player) {
  if (Player == nullptr) return;
  SetDisplayFullScreen(Player->FullScreen);
  SetGroupVolume(SoundGroupEffects, Player->EffectsVolume);
  SetGroupVolume(SoundGroupEnvironment, Player->EnvironmentVolume);
  SetGroupVolume(SoundGroupMusic, Player->MusicVolume);
}

void CaptureCurrentSettings() { CaptureSettings(State.Current); }

void LoadPlayers() {
  FreePlayersWithoutSaving();
  State.SaveName = "Save_qv";
  EnsureStore();
  if (!LoadFile(SavePath())) LoadFile(BackupPath());
  if (State.Players->GetCount() == 0) {
    AddPlayer("");
    State.Dirty = false;
  }
}

void SavePlayers() {
  if (!State.Dirty || !State.Players) return;
  if (State.CustomTarget) {
    if (State.Target.empty()) return;
    WriteFileSafely(State.Target, SaveFileBytes(), {});
  } else {
    const std::string bytes = SaveFileBytes();
    if (State.Observer) State.Observer(TSaveStage::Start, bytes);
    try {
      WriteFileSafely(SavePath(), bytes, BackupPath());
    } catch (...) {
      if (State.Observer) State.Observer(TSaveStage::Failed, bytes);
      throw;
    }
    if (State.Observer) State.Observer(TSaveStage::Done, bytes);
  }
  State.Dirty = false;
}

void SetSaveTarget(const std::string& Path) {
  State.CustomTarget = true;
  State.Target = Path;
}

void ResetSaveTarget() {
  State.CustomTarget = false;
  State.Target.clear();
}

void FreePlayers() {
  try {
    SavePlayers();
  } catch (...) {
    FreePlayersWithoutSaving();
    throw;
  }
  FreePlayersWithoutSaving();
}

void FreePlayersWithoutSaving() {
  State.Current = nullptr;
  State.Players.reset();
  State.Dirty = false;
}

int32_t PlayerCount() { return State.Players ? State.Players->GetCount() : 0; }

TPlayer* PlayerAt(int32_t Index) { return State.Players ? State.Players->GetAs<TPlayer>(Index) : nullptr; }

int32_t IndexOfPlayer(const TPlayer* Player) { return State.Players ? State.Players->IndexOf(Player) : 0; }

bool NameExists(const std::string& Name) {
  auto lower = [](std::string s) {
    for (char& c : s) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
  };
  const std::string wanted = lower(Name);
  for (int32_t i = 1; i <= PlayerCount(); ++i) {
    if (lower(PlayerAt(i)->Name) == wanted) return true;
  }
  return false;
}

void SelectPlayer(int32_t Index) {
  if (PlayerCount() == 0) return;
  TPlayer* player = PlayerAt(Clamp(Index, 1, PlayerCount()));
  if (player == State.Current) return;
  if (State.Current != nullptr) State.Dirty = true;
  State.Current = player;
  ApplySettings(player);
}

void AddPlayer(const std::string& Name) {
  EnsureStore();
  if (auto* existing = static_cast<TPlayer*>(State.Players->Find(Name))) {
    SelectPlayer(IndexOfPlayer(existing));
    return;
  }
  auto player = std::make_unique<TPlayer>(Name);
  CaptureSettings(player.get());
  State.Players->Insert(std::move(player), false);
  SelectPlayer(PlayerCount());
}

void DeleteCurrentPlayer() {
  if (State.Current == nullptr) return;
  TPlayer* old = State.Current;
  State.Current = nullptr;
  State.Players->Remove(old);
  SelectPlayer(1);
  State.Dirty = true;
}

TPlayer* CurrentPlayer() { return State.Current; }

void AskForName(TPlayer* Player) {
  if (Player == nullptr || !Player->Name.empty()) return;
  // The first-start prompt must be answered (there is no screen to go back to): "OK" alone, and
  // only once a name is typed.
  TDialogArgs args;
  args.MessageKey = "InputName";
  args.DefaultText = GetText("DefaultProfileName");
  args.Value = InputLineNeedsText | InputLineOkOnly;
  args.MaxLength = ProfileNameLength;
  args.OnText = [Player](const std::string& Name) {
    // The profile may have gone while the dialog was open.
    if (Name.empty() || IndexOfPlayer(Player) == 0) return;
    Player->SetName(Name);
    State.Dirty = true;
    SwitchForm(gui::FormMenu, gui::TransitionSplash, nullptr);
  };
  ShowDialog(gui::DialogInputLineCustom, args);
}

void AddEarned(TPlayer* Player, int32_t Number) {
  if (Player == nullptr) return;
  Player->Earned.push_back(Number);
  State.Dirty = true;
}

bool HasEarned(const TPlayer* Player, int32_t Number) {
  if (Player == nullptr) return false;
  return std::find(Player->Earned.begin(), Player->Earned.end(), Number) != Player->Earned.end();
}

bool PlayersChanged() { return State.Dirty; }
void MarkPlayersChanged() { State.Dirty = true; }

const std::string& SaveName() { return State.SaveName; }

void SetSaveFailureStep(int32_t Step) { State.FailureStep = Step; }
void SetSaveObserver(TSaveObserver Observer) { State.Observer = std::move(Observer); }
void SetSavePause(uint32_t Milliseconds) { State.PauseMs = Milliseconds; }

// ---- The save file ----------------------------------------------------------------------------------

TSaveContents ParseSaveFile(std::string_view Bytes, const std::string& Label) {
  TByteReader stream(Bytes, "Save file \"" + Label + "\"");
  TSaveContents contents;
  contents.Version = stream.Int32("version");
  if (contents.Version > SaveVersion || contents.Version < OldestSaveVersion) {
    throw EError("Unsupported save data version.");
  }
  const int32_t count = stream.Count("player count", MinPlayerBytes);
  if (count == 0) throw EError("The save file holds no players.");
  contents.Players.reserve(static_cast<size_t>(count));
  for (int32_t i = 1; i <= count; ++i) {
    stream.SetContext("player " + std::to_string(i));
    auto player = std::make_unique<TPlayer>(stream.String("name"));
    player->FullScreen = stream.Byte("FullScreen") != 0;
    player->EffectsVolume = stream.Int32("EffectsVolume");
    player->EnvironmentVolume = stream.Int32("EnvironmentVolume");
    player->MusicVolume = stream.Int32("MusicVolume");
    const int32_t events = stream.Count("event count", sizeof(TData));
    const uint8_t* block = stream.Block(static_cast<size_t>(events) * sizeof(TData), "events");
    for (int32_t e = 0; e < events; ++e) {
      const uint8_t* r = block + static_cast<ptrdiff_t>(e) * static_cast<ptrdiff_t>(sizeof(TData));
      TData data;
      data.Kind = LeInt32(r);
      data.Region = LeInt32(r + 4);
      data.Site = LeInt32(r + 8);
      data.Scene = LeInt32(r + 12);
      data.Value = LeInt32(r + 16);
      data.Extra[0] = LeInt32(r + 20);
      data.Extra[1] = LeInt32(r + 24);
      data.Extra[2] = LeInt32(r + 28);
      player->Events->Insert(TEvent::Create(data), false);
    }
    const int32_t earned = stream.Count("earned count", 4);
    const uint8_t* numbers = stream.Block(static_cast<size_t>(earned) * 4, "earned");
    player->Earned.reserve(static_cast<size_t>(earned));
    for (int32_t a = 0; a < earned; ++a) player->Earned.push_back(LeInt32(numbers + 4 * a));
    contents.Players.push_back(std::move(player));
  }
  stream.SetContext({});
  contents.Current = stream.Int32("current player");
  return contents;
}

std::string SaveFileBytes() {
  std::string out;
  PutInt32(out, SaveVersion);
  PutInt32(out, PlayerCount());
  for (int32_t i = 1; i <= PlayerCount(); ++i) {
    const TPlayer* player = PlayerAt(i);
    PutString(out, player->Name);
    PutByte(out, player->FullScreen ? 1 : 0);
    PutInt32(out, player->EffectsVolume);
    PutInt32(out, player->EnvironmentVolume);
    PutInt32(out, player->MusicVolume);
    PutInt32(out, player->Events->GetCount());
    for (TItem* item : *player->Events) {
      const TData& d = static_cast<TEvent*>(item)->Data;
      for (int32_t v : {d.Kind, d.Region, d.Site, d.Scene, d.Value, d.Extra[0], d.Extra[1], d.Extra[2]})
        PutInt32(out, v);
    }
    PutInt32(out, static_cast<int32_t>(player->Earned.size()));
    for (int32_t number : player->Earned) PutInt32(out, number);
  }
  PutInt32(out, IndexOfPlayer(State.Current));
  return out;
}

void WriteSaveFile(const std::string& Path) { WriteFileSafely(Path, SaveFileBytes(), {}); }

bool LoadPlayersFrom(const std::string& Path, std::string* Why) {
  FreePlayersWithoutSaving();
  EnsureStore();
  try {
    TSaveContents contents = ParseSaveFile(ReadWholeFile(Path), Path);
    Adopt(contents);
    State.Dirty = false;
    return true;
  } catch (const EError& e) {
    if (Why != nullptr) *Why = e.what();
    State.Players->Clear();
    State.Current = nullptr;
    AddPlayer("");
    State.Dirty = false;
    return false;
  }
}

}  // namespace tv
