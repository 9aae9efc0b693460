#include "shell/player.h"

#include <algorithm>
#include <cmath>

#include "platform/display/DynamicKey.h"
#include "platform/display/player_bar.h"
#include "platform/sound/sound_clock.h"
#include "shell/player_keys.h"

namespace {

// Going to the previous scene this soon after a scene's start goes to the one before it.
constexpr double kSceneRestartSeconds = 1.0;
constexpr int64_t kBarShownNs = 2000000000;
// Paused, the show waits this long at most for input between two looks at
// the posted commands.
constexpr int64_t kRestNs = 50000000;

}  // namespace

Player::Player(Timeline& script, DynamicConsole& console, DynamicTimer& timer, SongPosition& song,
               ShowObserver* observer)
    : script(script), console(console), timer(timer), song(song), observer(observer) {}

void Player::run() {
    script.presentBlack();
    // The song's row table is measured before the song starts, not on the
    // first frame, where the bar needs it and the time would be a stall.
    const SongRowTable& rows = song.rows();
    song.play();
    timer.start();
    console.keepScreenOn(true);
    script.resetShow();
    if (startSeconds >= 0) {
        seekTo(startSeconds);
    } else if (startScene > 0) {
        goToScene(startScene);
    }
    // A start at or past the song's end plays nothing.
    if (!rows.empty() && songFrameAt(script.time(), rows.rate()) >= rows.length()) stopped_ = true;
    while (!stopped_ && script.settleScene()) {
        if (paused_) {
            holdFrame();
        } else {
            playFrame();
        }
        showBar();
    }
    publishPlayerStatus(PlayerStatus{});
}

// One frame. A song heard to its end before the script's last row ends the
// show as a Stop does: a shorter song than the script's would otherwise leave
// the last scene running in silence.
void Player::playFrame() {
    script.playFrame();
    takeCommands();
    if (!stopped_ && (song.finished() || (observer && !observer->wantsMoreFrames()))) stopped_ = true;
}

// Paused, the frame on screen stays: the console draws it again only when the
// bar changes or the window asks, and waits for input in between.
void Player::holdFrame() {
    console.rest(kRestNs);
    timer.delta();  // paused time is no time of the show
    if (observer) observer->frameHeld();
    takeCommands();
}

void Player::takeCommands() {
    while (console.key()) {
        DynamicKey key;
        console.read(key);
        if (stopped_) continue;  // nothing after a Stop
        if (const std::optional<PlayerCommand> command = commandForKey(key.code())) {
            perform(*command);
            barUntil = steadyNowNs() + kBarShownNs;
        }
    }
    while (!stopped_) {
        const std::optional<PlayerCommand> command = takePlayerCommand();
        if (!command) break;
        barUntil = steadyNowNs() + kBarShownNs;
        perform(*command);
    }
}

void Player::perform(const PlayerCommand& command) {
    using Kind = PlayerCommand::Kind;
    switch (command.kind) {
        case Kind::TogglePause:
            togglePause();
            break;
        case Kind::Pause:
            pause();
            break;
        case Kind::Resume:
            resume();
            break;
        case Kind::SeekTo:
            seekTo(command.seconds);
            break;
        case Kind::SeekBy:
            seekBy(command.seconds);
            break;
        case Kind::Step:
            step();
            break;
        case Kind::GoToScene:
            goToScene(command.scene);
            break;
        case Kind::NextScene:
            nextScene();
            break;
        case Kind::PreviousScene:
            previousScene();
            break;
        case Kind::Stop:
            stop();
            break;
        case Kind::ChangeVolume:
            changeVolume(command.volume);
            break;
        case Kind::SetVolume:
            setVolume(command.volume);
            break;
        case Kind::ToggleMute:
            toggleMute();
            break;
        case Kind::Raise:
            console.raise();
            break;
    }
}

void Player::pause() {
    if (paused_) return;
    paused_ = true;
    soundHeld = song.setPaused(true);
    // As video players do: the screen may rest while the show does.
    console.keepScreenOn(false);
}

void Player::resume() {
    if (!paused_) return;
    paused_ = false;
    console.keepScreenOn(true);
    timer.delta();
    if (soundHeld) {
        song.setPaused(false);
    } else {
        // An output that cannot pause played on: the song goes back to the picture.
        const SongRowTable& rows = song.rows();
        if (!rows.empty()) song.seekFrame(songFrameAt(script.time(), rows.rate()));
    }
}

void Player::togglePause() {
    if (paused_) {
        resume();
    } else {
        pause();
    }
}

bool Player::seekToFrame(int64_t frame) {
    const SongRowTable& rows = song.rows();
    if (rows.empty()) return false;
    // No further than the song's end.
    frame = std::clamp<int64_t>(frame, 0, rows.length() * replayFps / rows.rate());
    const int64_t reached = script.replayTo(frame, replayFps);
    song.seekFrame(songFrameAt(script.time(), rows.rate()));
    timer.delta();  // the time the seek took is no time of the show
    ++seeks;
    if (observer) observer->showSought(reached);
    if (paused_) script.peekFrame();
    return true;
}

void Player::seekTo(double seconds) {
    seekToFrame(static_cast<int64_t>(std::llround(std::max(seconds, 0.0) * replayFps)));
}

void Player::seekBy(double seconds) { seekTo(script.time() + seconds); }

int64_t Player::sceneStartFrame(int scene) {
    const SongRowTable& rows = song.rows();
    if (rows.empty()) return -1;
    if (scene <= 1) return 0;
    const int64_t start = rows.startFrame(Timeline::firstOrder(scene), 0);
    if (start < 0) return -1;
    // The first frame after whose start the song is in the scene's order.
    return (start * replayFps + rows.rate() - 1) / rows.rate();
}

void Player::goToScene(int scene) {
    const int64_t frame = sceneStartFrame(std::clamp(scene, 1, kSceneCount));
    if (frame >= 0) seekToFrame(frame);
}

void Player::nextScene() {
    if (script.scene() < kSceneCount) goToScene(script.scene() + 1);
}

void Player::previousScene() {
    int scene = script.scene();
    const int64_t start = sceneStartFrame(scene);
    if (scene > 1 && start >= 0 && script.time() - static_cast<double>(start) / replayFps < kSceneRestartSeconds) {
        --scene;
    }
    goToScene(scene);
}

void Player::step() {
    if (!paused_ || !script.stepFrame(1.0 / replayFps)) return;
    const SongRowTable& rows = song.rows();
    if (!rows.empty()) song.seekFrame(songFrameAt(script.time(), rows.rate()));
}

void Player::changeVolume(double change) {
    const double now = song.volume();
    // Steps stop at full volume, but never pull down a figure the desktop
    // raised past it.
    setVolume(now < 0 ? now : std::clamp(now + change, 0.0, std::max(1.0, now)));
}

void Player::setVolume(double volume) {
    volumeUntil = steadyNowNs() + kBarShownNs;
    if (song.volume() < 0) return;
    song.setMuted(false);
    song.setVolume(volume);
}

void Player::toggleMute() {
    volumeUntil = steadyNowNs() + kBarShownNs;
    song.setMuted(!song.muted());
}

void Player::showBar() {
    // Every field every frame: the page's scrubber shows the moment whenever
    // the pointer wakes it, whether the bar is shown or not.
    PlayerBar bar;
    bar.shown = paused_ || steadyNowNs() < barUntil;
    bar.paused = paused_;
    bar.seconds = script.time();
    bar.scene = std::clamp(script.scene(), 1, kPlayerBarScenes);
    const SongRowTable& rows = song.rows();
    if (!rows.empty()) {
        bar.totalSeconds = static_cast<double>(rows.length()) / rows.rate();
        for (int scene = 1; scene <= kPlayerBarScenes && scene <= kSceneCount; ++scene) {
            bar.sceneStarts[scene - 1] = static_cast<double>(std::max<int64_t>(sceneStartFrame(scene), 0)) / replayFps;
        }
    }
    const double volume = song.volume();
    const bool muted = song.muted();
    bar.volumeShown = steadyNowNs() < volumeUntil;
    bar.volumePercent = volume < 0 ? -1 : static_cast<int>(std::lround(volume * 100));
    bar.muted = muted;
    console.showBar(bar);
    publishPlayerStatus(PlayerStatus{true, paused_, bar.seconds, bar.totalSeconds, bar.scene, seeks, volume, muted});
}
