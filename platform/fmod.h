// The music layer: sound output set-up, module loading and playback, and the
// song position as it is heard.
#pragma once

#include <cstddef>
#include <cstdint>

struct FMUSIC_MODULE;

// Output types for FSOUND_SetOutput.
enum {
    FSOUND_OUTPUT_NOSOUND = 0,  // no device; the song still advances in real time
    FSOUND_OUTPUT_WINMM = 1,    // plain ALSA
    FSOUND_OUTPUT_DSOUND = 2,   // the system's default audio backend
    FSOUND_OUTPUT_OFFLINE = 3,  // no device, no clock: the caller mixes with FSOUND_Offline_Mix
};

// Mixers for FSOUND_SetMixer: the interpolation used when resampling.
enum {
    FSOUND_MIXER_AUTODETECT = 0,  // the decoder's default
    FSOUND_MIXER_BLENDMODE = 1,   // linear
    FSOUND_MIXER_MMXP5 = 2,       // cubic
    FSOUND_MIXER_MMXP6 = 3,       // 8-tap windowed sinc
};

int FSOUND_GetNumDrivers();
const char* FSOUND_GetDriverName(int driver);
bool FSOUND_SetOutput(int output);
bool FSOUND_SetDriver(int driver);
bool FSOUND_SetMixer(int mixer);
bool FSOUND_Init(int mixRate, int maxChannels, unsigned flags = 0);
void FSOUND_Close();

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);
bool FMUSIC_FreeSong(FMUSIC_MODULE* module);
bool FMUSIC_PlaySong(FMUSIC_MODULE* module);
bool FMUSIC_StopSong(FMUSIC_MODULE* module);
int FMUSIC_GetOrder(FMUSIC_MODULE* module);
int FMUSIC_GetRow(FMUSIC_MODULE* module);

// Offline output: mixes the next `frames` stereo frames of the playing song as
// interleaved 16-bit samples into `samples` (2 x frames values) and advances
// the reported position to exactly the end of them. Frames past the end of the
// song are silence. Returns the number of frames that held song.
size_t FSOUND_Offline_Mix(int16_t* samples, size_t frames);
