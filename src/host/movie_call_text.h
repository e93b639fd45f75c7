#pragma once
// The text of every call the host makes into the movie. Portable: no Windows headers.
#include <string>
#include <string_view>

namespace dm {

// <invoke name="NAME"><arguments><string>ARGUMENT</string></arguments></invoke>, with the argument
// inserted as given: the movie's callbacks expect exactly the texts below.
std::wstring MovieCallText(std::wstring_view name, std::wstring_view argument);

// The complete call texts the host sends.
namespace movie_call {
inline constexpr std::wstring_view kExternalExit =
    L"<invoke name=\"externalExit\"><arguments><string>\"exit\"</string></arguments></invoke>";
inline constexpr std::wstring_view kExternalPause =
    L"<invoke name=\"externalPause\"><arguments><string>\"pause\"</string></arguments></invoke>";
inline constexpr std::wstring_view kExternalUnPause =
    L"<invoke name=\"externalUnPause\"><arguments><string>\"unpause\"</string></arguments></invoke>";
inline constexpr std::wstring_view kExternalEscape =
    L"<invoke name=\"externalEscape\"><arguments><string>\"escape\"</string></arguments></invoke>";
inline constexpr std::wstring_view kCheckFullScreen =
    L"<invoke name=\"checkFullScreen\"><arguments><string>true</string></arguments></invoke>";
inline constexpr std::wstring_view kRightClick =
    L"<invoke name=\"rightclick\"><arguments><string>\"rightclick\"</string></arguments></invoke>";
}  // namespace movie_call

// setAppPath tells the movie where the player's data lives: "file:///" + the folder with "/" for "\".
// The folder is the only outside text in any call, so its "&", "<" and ">" are escaped; otherwise a
// folder such as C:\Users\Tom & Ann\... would make the call malformed and the movie would never learn it.
std::wstring SetAppPathCallText(std::wstring_view playerDataFolder);

}  // namespace dm
