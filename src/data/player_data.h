#pragma once
// The player's data folder and save files, as the main window uses them: preparing the folder, the
// "players" file, saving and deleting the files the movie names, signing and checking them.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "data/save_file_text.h"
#include "data/save_folder.h"
#include "data/windows_code_page.h"

namespace dm {

class PlayerData {
 public:
  // owner: the application window, owner of the shell's folder lookup; may be 0.
  explicit PlayerData(HWND owner);
  // Uses applicationDataFolder in place of the user's application-data folder (tests).
  PlayerData(HWND owner, std::wstring applicationDataFolder);

  // The shell folder's path, empty when the shell gives none.
  std::wstring GetSpecialFolderPath(int csidl) const;

  // Creates "Wendrake\Driftmarrow\" below the application-data folder (failures ignored) and removes what
  // an interrupted write left behind. Everything below needs it done first.
  void PreparePlayerDataFolder();
  // Absolute, ends with "\"; empty before PreparePlayerDataFolder.
  const std::wstring& PlayerDataFolder() const { return playerDataFolder_; }

  // Creates an empty "players" file unless one exists. Throws dm::Error "Cannot create file ...".
  void EnsurePlayersFile();

  // Writes the command text as the named file (CR LF lines, ANSI), creating one missing folder level.
  // Throws dm::Error when the file cannot be written, or when the name would lead outside the folder;
  // then nothing is written and the caller signs nothing.
  void SavePlayerFile(const std::wstring& commandText, const std::wstring& fileName);
  // Deletes the named file if it can; the result is ignored, and names leading outside the folder delete
  // nothing.
  void DeletePlayerFile(const std::wstring& fileName);

  // Signs every save file; stops with dm::Error at a file it cannot read or rewrite.
  void signFiles();
  // Checks every save file, turning rejected ones into the corrupted marker; stops like signFiles.
  void VerifyPlayerFiles();
  // signFiles has run since start-up.
  bool FilesSigned() const { return filesSigned_; }

 private:
  SaveFolder& Folder();

  HWND owner_;
  std::optional<std::wstring> applicationDataFolder_;
  std::wstring playerDataFolder_;
  std::unique_ptr<SaveFolder> folder_;
  WindowsAnsiCodePage ansi_;
  SaveFileText text_{ansi_};
  bool filesSigned_ = false;
};

}  // namespace dm
