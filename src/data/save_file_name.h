#pragma once
// Where a file the movie names lies, kept inside the data folder. Portable.
#include <optional>
#include <string>
#include <string_view>

namespace dm {

// The data folder's sub-folder for files being written; no movie name may reach into it.
inline constexpr std::wstring_view kPendingFolderName = L".pending";

// folder + fileName with every "/" made "\", or nullopt when the name would resolve outside the folder
// or is no plain file name there: empty segments (also the empty name and UNC forms), segments of dots
// and blanks only (".."), drive letters and alternate streams (":"), characters Windows refuses in
// names, device names (CON, NUL, COM1, LPT1, ...) and the pending folder.
std::optional<std::wstring> SaveFilePath(std::wstring_view folder, std::wstring_view fileName);

}  // namespace dm
