// Every picture the show reads: its file under the data folder, the file
// format the data tool writes it in, its size, and how the shell draws it.
// The shell's own pictures come first, in the order it loads them (and
// deletes them); then those the effects load for themselves.
#pragma once

#include <string>

namespace show {

// Where the show finds its data, relative to its working directory.
inline constexpr char kDataFolder[] = "data/";

enum PictureFormat { kPcx8, kPcx24, kTga8, kTga16, kTga24, kTga32 };

// How the shell draws one of its pictures, numbered as cBitmap's modes;
// an effect draws the pictures it loads in its own way.
enum Drawing { kCopy = 0, kSeeThrough = 1, kAdditive = 2, kByEffect = -1 };

struct PictureFile {
    const char* path;  // under the data folder
    PictureFormat format;
    int width;
    int height;
    Drawing drawing;
};

enum Picture {
    kLoading,
    kLoadingBlock,
    kScroller,
    kAtReady,
    kSwordPen,
    kBigSpark,
    kAnalog,
    kGenetic,
    kTitle,
    kCredits,
    kGreets,
    kFight,
    kLetterP,
    kLetterE,
    kLetterK,
    kLetterS,
    kLetterT,
    kLetterU,
    kLetterN,
    kDigit0,
    kDigit1,
    kDigit2,
    kDigit3,
    kDigit5,
    kDigit7,
    kColon,
    kLineCircle,
    kFilmStrip,
    kShellPictureCount,
    kBackAlley = kShellPictureCount,  // the second fade's picture
    kTunnel3DTexture,
    kTunnel2DTexture,
    kLamp,  // the random dots
    kFirstStripe,
    kFirstBinaryColumn = kFirstStripe + 6,
    kPictureCount = kFirstBinaryColumn + 16,
};

constexpr int kStripeCount = kFirstBinaryColumn - kFirstStripe;
constexpr int kBinaryColumnCount = kPictureCount - kFirstBinaryColumn;

inline constexpr PictureFile kPictures[kPictureCount] = {
    {"gfx/loading.pcx", kPcx8, 320, 240, kCopy},
    {"gfx/loading_block.tga", kTga24, 9, 12, kCopy},
    {"gfx/scroller.pcx", kPcx8, 6932, 48, kAdditive},
    {"gfx/at-ready.pcx", kPcx8, 320, 240, kCopy},
    {"gfx/swrdpen.pcx", kPcx24, 320, 240, kCopy},
    {"gfx/big_spark.pcx", kPcx24, 320, 240, kCopy},
    {"gfx/analog.pcx", kPcx8, 320, 240, kAdditive},
    {"gfx/genetic.pcx", kPcx8, 320, 240, kAdditive},
    {"gfx/peekstun.pcx", kPcx24, 320, 240, kCopy},
    {"gfx/credits.tga", kTga8, 320, 140, kSeeThrough},
    {"gfx/greets.pcx", kPcx8, 320, 240, kSeeThrough},
    {"gfx/fight.tga", kTga32, 28, 156, kAdditive},
    {"gfx/p.tga", kTga24, 12, 16, kAdditive},
    {"gfx/e.tga", kTga24, 12, 16, kAdditive},
    {"gfx/k.tga", kTga32, 12, 16, kAdditive},
    {"gfx/s.tga", kTga32, 12, 16, kAdditive},
    {"gfx/t.tga", kTga16, 12, 16, kAdditive},
    {"gfx/u.tga", kTga16, 12, 16, kAdditive},
    {"gfx/n.tga", kTga8, 12, 16, kAdditive},
    {"gfx/0.tga", kTga8, 40, 48, kAdditive},
    {"gfx/1.tga", kTga8, 40, 48, kAdditive},
    {"gfx/2.tga", kTga8, 40, 48, kAdditive},
    {"gfx/3.tga", kTga8, 40, 48, kAdditive},
    {"gfx/5.tga", kTga8, 40, 48, kAdditive},
    {"gfx/7.tga", kTga8, 40, 48, kAdditive},
    {"gfx/col.tga", kTga8, 20, 48, kAdditive},
    {"gfx/linecircle.tga", kTga24, 440, 48, kAdditive},
    {"gfx/filmstrip.pcx", kPcx24, 899, 64, kSeeThrough},
    {"gfx/us-backalley2.pcx", kPcx8, 320, 240, kByEffect},
    {"textures/a076.pcx", kPcx8, 256, 256, kByEffect},
    {"textures/a018.pcx", kPcx24, 256, 256, kByEffect},
    {"gfx/circle.tga", kTga32, 11, 11, kByEffect},
    {"gfx/binary_stripe1.tga", kTga32, 8, 96, kByEffect},
    {"gfx/binary_stripe2.pcx", kPcx8, 8, 152, kByEffect},
    {"gfx/binary_stripe3.pcx", kPcx24, 7, 120, kByEffect},
    {"gfx/binary_stripe4.pcx", kPcx8, 8, 200, kByEffect},
    {"gfx/binary_stripe5.pcx", kPcx24, 8, 64, kByEffect},
    {"gfx/binary_stripe6.tga", kTga24, 8, 176, kByEffect},
    {"gfx/binary_bg1.tga", kTga16, 4, 238, kByEffect},
    {"gfx/binary_bg2.tga", kTga16, 4, 238, kByEffect},
    {"gfx/binary_bg3.tga", kTga16, 4, 238, kByEffect},
    {"gfx/binary_bg4.tga", kTga16, 4, 238, kByEffect},
    {"gfx/binary_bg5.tga", kTga16, 4, 238, kByEffect},
    {"gfx/binary_bg6.tga", kTga16, 4, 238, kByEffect},
    {"gfx/binary_bg7.tga", kTga16, 4, 238, kByEffect},
    {"gfx/binary_bg8.tga", kTga16, 4, 238, kByEffect},
    {"gfx/binary_bg9.tga", kTga16, 4, 238, kByEffect},
    {"gfx/binary_bg10.tga", kTga16, 4, 238, kByEffect},
    {"gfx/binary_bg11.tga", kTga16, 4, 238, kByEffect},
    {"gfx/binary_bg12.tga", kTga16, 4, 238, kByEffect},
    {"gfx/binary_bg13.tga", kTga16, 4, 238, kByEffect},
    {"gfx/binary_bg14.tga", kTga16, 4, 238, kByEffect},
    {"gfx/binary_bg15.tga", kTga16, 4, 238, kByEffect},
    {"gfx/binary_bg16.tga", kTga16, 4, 238, kByEffect},
};

// The path the show opens a picture by (a Picture, or one counted on from it).
inline std::string dataPath(int which) { return std::string(kDataFolder) + kPictures[which].path; }

// The shell draws each of its own pictures; the effects' pictures are theirs.
namespace detail {
constexpr bool drawnByTheirOwners() {
    for (int i = 0; i < kPictureCount; ++i)
        if ((kPictures[i].drawing == kByEffect) != (i >= kShellPictureCount)) return false;
    return true;
}
}  // namespace detail
static_assert(detail::drawnByTheirOwners(), "the shell's pictures come first, then the effects' own");

}  // namespace show
