// How the show names itself to the desktop: to the sound server, whose mixer
// lists its stream, and to the desktop's media controls. The desktop entry's
// id and the icon's name come from the build, which installs the entry and
// the icons under them.
#pragma once

namespace show {

inline constexpr const char kAppName[] = "Peekstun";
inline constexpr const char kMaker[] = "Quillmere";  // the group whose show it is
inline constexpr const char kDesktopId[] = PEEKSTUN_APP_ID;
inline constexpr const char kIconName[] = PEEKSTUN_ICON_NAME;

}  // namespace show
