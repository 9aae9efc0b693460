// The music layer: sound output set-up, module loading and playback, and the
// song position as it is heard.
#pragma once

#include <cstddef>
#include <cstdint>

struct FMUSIC_MODULE;
class SongRowTable;

// Output types for FSOUND_SetOutput.
enum {
    FSOUND_OUTPUT_NOSOUND = 0,  // no device; the song still advances in real time
    FSOUND_OUTPUT_WINMM = 1,    // plain ALSA
    FSOUND_OUTPUT_DSOUND = 2,   // the sound server when one runs, else (or with SDL_AUDIODRIVER set) SDL's driver
    FSOUND_OUTPUT_OFFLINE = 3,  // no device, no clock: the caller mixes with FSOUND_Offline_Mix
};

// Mixers for FSOUND_SetMixer: the interpolation used when resampling.
enum {
    FSOUND_MIXER_AUTODETECT = 0,  // the decoder's default
    FSOUND_MIXER_BLENDMODE = 1,   // linear
    FSOUND_MIXER_MMXP5 = 2,       // cubic
    FSOUND_MIXER_MMXP6 = 3,       // 8-tap windowed sinc
};

// The playback devices of the current output, as the backend playing it
// lists them (the sound server's, ALSA's or SDL's). Outputs
// without a device (no sound, offline) list one device, "No sound", so that
// device 0 is a valid choice for every output. A driver that does not start
// lists none. A name stays valid until the next FSOUND_GetNumDrivers; an index
// out of range gives nullptr.
int FSOUND_GetNumDrivers();
const char* FSOUND_GetDriverName(int driver);
// Output, device and mixer are chosen before FSOUND_Init and take effect
// there (the mixer at each FMUSIC_PlaySong); each returns false and changes
// nothing for an unknown value, or, for output and device, once initialised.
bool FSOUND_SetOutput(int output);
bool FSOUND_SetDriver(int driver);
bool FSOUND_SetMixer(int mixer);
// Opens the output for 16-bit stereo at `mixRate` Hz (8000 to 192000). False
// when the driver or device does not start, or when already initialised. The
// decoder mixes any number of channels: `maxChannels` and `flags` are unused.
bool FSOUND_Init(int mixRate, int maxChannels, unsigned flags = 0);
// Stops the playing song and releases the output, silencing what it still
// held; the songs stay loaded.
void FSOUND_Close();
// Times the sound ran out since FSOUND_Init (the device found nothing to
// play and played silence); after FSOUND_Close, those of the session closed.
unsigned long FSOUND_GetUnderruns();

// The volume the sound is heard at, 0 to 1 (a sound server may report more:
// its own volume of the stream, raised in the desktop's mixer), and whether it
// is muted. Through a sound server these are the stream's own volume and mute,
// which its mixer shows and may change; through ALSA and SDL a gain applied as
// the frames leave for the device, on the sound server's cubic scale, so 50 %
// sounds alike through both. Kept between sessions; set before FSOUND_Init,
// they apply from the first frame, except that a sound server's volume
// restored for the stream wins. Outputs without a device ("No sound", offline)
// have none: FSOUND_GetVolume is then -1 and setting it changes nothing.
bool FSOUND_SetVolume(double volume);
double FSOUND_GetVolume();
bool FSOUND_SetMute(bool muted);
bool FSOUND_GetMute();

// Null for a missing, unreadable or empty file, a cut-off XM module and any
// data the decoder rejects. The song is loaded stopped at order 0, row 0.
FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);
bool FMUSIC_FreeSong(FMUSIC_MODULE* module);
// Plays the song once from order 0, row 0 (stopping any other song); false
// before FSOUND_Init. At the end it stays silent on its last row.
bool FMUSIC_PlaySong(FMUSIC_MODULE* module);
// Stops the song, silent within the few milliseconds the device holds; its
// position stays where it was heard last.
bool FMUSIC_StopSong(FMUSIC_MODULE* module);
// The position being heard now (not the one being mixed), safe to read while
// the output's thread mixes. -1 for a null handle.
int FMUSIC_GetOrder(FMUSIC_MODULE* module);
int FMUSIC_GetRow(FMUSIC_MODULE* module);
// True once the last frame of the playing song has been heard, on the same
// clock as the position: the song is over and only silence follows. False
// before that, for a song stopped before its end, and for a null handle.
bool FMUSIC_IsFinished(FMUSIC_MODULE* module);
// The position heard at `steadyNs` (nanoseconds of std::chrono::steady_clock,
// now or soon: the moment a picture reaches the screen, say) and whether the
// song's end has been heard by then; each pointer may be null. False, with
// nothing written, for a null handle. The offline output has no clock: it
// answers for the frames handed out, whatever the time.
bool FMUSIC_GetPositionAt(FMUSIC_MODULE* module, int64_t steadyNs, int* order, int* row, bool* finished);

// Pauses (true) or resumes (false) the playing song: while paused the output
// plays silence and the position heard stays where the pause was heard; on
// resume the song goes on from there. False for a null handle or a song not
// playing.
bool FMUSIC_SetPaused(FMUSIC_MODULE* module, bool paused);
bool FMUSIC_GetPaused(FMUSIC_MODULE* module);
// The first frame, at the rate given to FSOUND_Init, of the song's `order` and
// `row` when it plays from its start; -1 for a row the song never plays or a
// null handle.
int64_t FMUSIC_GetRowStartFrame(FMUSIC_MODULE* module, int order, int row);
// The song's length in frames at the rate given to FSOUND_Init, playing from
// its start; -1 for a null handle.
int64_t FMUSIC_GetLengthFrames(FMUSIC_MODULE* module);
// The song's whole table of row starts at the rate given to FSOUND_Init,
// measured on the first call for that rate and kept with the song; an empty
// table for a null handle.
const SongRowTable& FMUSIC_GetRowTable(FMUSIC_MODULE* module);
// The playing song goes on from its frame `frame` (at the rate given to
// FSOUND_Init), exactly as though it had played from its start to there:
// every later position and the end come at the same frames as then. Positions
// read after the call are those from `frame` on, never ones mixed before it; a
// live output drops what it had mixed ahead. Keeps a pause. False for a null
// handle, a song not playing, or a negative frame; a frame past the end ends
// the song.
bool FMUSIC_SetPositionFrame(FMUSIC_MODULE* module, int64_t frame);

// Offline output: from the next FMUSIC_PlaySong on, mixes the playing song
// ahead on a thread of its own, in the blocks of a caller that takes
// 1/blocksPerSecond of a second at a time (block n ends at frame
// floor((n + 1) x rate / blocksPerSecond)); FSOUND_Offline_Mix then hands out
// frames already mixed. Samples, positions and the end are exactly those of
// mixing within each call as long as the calls follow those blocks; calls of
// other sizes take the same stream of samples, the position then being up to
// 32 frames late.
// 0, the default, mixes within each call. False for a negative value.
bool FSOUND_Offline_MixAhead(int blocksPerSecond);
// Offline output: mixes the next `frames` stereo frames of the playing song as
// interleaved 16-bit samples into `samples` (2 x frames values) and advances
// the reported position to exactly the end of them. Frames past the end of the
// song are silence. Returns the number of frames that held song. Throws
// DynamicError when the offline output is not initialised, and the mixing's
// own error when it failed.
size_t FSOUND_Offline_Mix(int16_t* samples, size_t frames);
