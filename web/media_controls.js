// What the browser and the device are told while the show plays, bundled
// before the program: a screen wake lock, so a phone neither dims nor locks
// in the middle of the show, and the Media Session, so the lock screen, a
// headset's buttons and a keyboard's media keys show and drive the show. Each
// media action presses the show's own key (Space, the arrows, Page Up and
// Down, Escape) through its console, or seeks as the scrubber does: the
// player's commands are the show's, never a copy.
var peekstunMediaControls = {
  wakeLock: null,  // the held lock's sentinel, or null
  wakeLockAsked: false,
  playing: false,
  paused: false,
  position: null,  // { seconds, total, paused, at }: the last position state set

  // Presses a key of the show as the keyboard does (web display backend).
  press(key) {
    const display = Module.peekstunDisplay;
    if (display && this.playing) display.onKey(new KeyboardEvent('keydown', { key, code: key === ' ' ? 'Space' : key }));
  },

  attach() {
    document.addEventListener('visibilitychange', () => this.keepAwake());
    const session = navigator.mediaSession;
    if (!session) return;
    const lines = String(Module.about || '').split('\n');
    session.metadata = new MediaMetadata({
      title: lines[0] || document.title,
      artist: (lines[1] || '').replace(/^by /, ''),
      artwork: [
        { src: 'icon-192.png', sizes: '192x192', type: 'image/png' },
        { src: 'icon-512.png', sizes: '512x512', type: 'image/png' },
      ],
    });
    const actions = {
      play: () => { if (this.paused) this.press(' '); },
      pause: () => { if (!this.paused) this.press(' '); },
      stop: () => this.press('Escape'),
      seekbackward: () => this.press('ArrowLeft'),
      seekforward: () => this.press('ArrowRight'),
      seekto: (details) => { if (this.playing) Module._peekstunSeekTo(details.seekTime); },
      previoustrack: () => this.press('PageUp'),
      nexttrack: () => this.press('PageDown'),
    };
    // (No destructuring in loop heads: the build's minifier drops it.)
    for (const action of Object.keys(actions)) {
      try {
        session.setActionHandler(action, actions[action]);
      } catch (unknown) {
        // an action this browser does not know
      }
    }
  },

  // Every presented frame and every change of the page's state: whether the
  // show plays, and the player's state ({ paused, seconds, total }).
  update(playing, state) {
    this.playing = playing;
    this.paused = playing && state.paused;
    this.keepAwake();
    const session = navigator.mediaSession;
    if (!session) return;
    session.playbackState = !playing ? 'none' : this.paused ? 'paused' : 'playing';
    if (!playing || !(state.total > 0)) {
      if (this.position && session.setPositionState) session.setPositionState();
      this.position = null;
      return;
    }
    // Set again after a pause, a resume or a seek: anywhere but where the
    // last setting has the show by now.
    const now = performance.now();
    const last = this.position;
    const expected = last && (last.paused ? last.seconds : last.seconds + (now - last.at) / 1000);
    if (last && last.paused === this.paused && last.total === state.total && Math.abs(state.seconds - expected) < 0.25) {
      return;
    }
    this.position = { seconds: state.seconds, total: state.total, paused: this.paused, at: now };
    if (session.setPositionState) {
      session.setPositionState({ duration: state.total, playbackRate: 1,
        position: Math.min(Math.max(state.seconds, 0), state.total) });
    }
  },

  // Holds the wake lock while the show plays and the page is seen (the
  // browser drops it when the page is hidden), and lets it go otherwise.
  keepAwake() {
    if (this.wakeLock && this.wakeLock.released) this.wakeLock = null;  // its release event may be on its way
    const wanted = this.playing && !this.paused && document.visibilityState === 'visible';
    if (wanted && !this.wakeLock && !this.wakeLockAsked && navigator.wakeLock) {
      this.wakeLockAsked = true;
      navigator.wakeLock.request('screen').then((lock) => {
        this.wakeLockAsked = false;
        this.wakeLock = lock;
        lock.addEventListener('release', () => { if (this.wakeLock === lock) this.wakeLock = null; });
        this.keepAwake();  // no longer wanted while it was asked for
      }, (error) => {
        this.wakeLockAsked = false;
        console.warn('The screen may dim during the show: ' + error.message);
      });
    } else if (!wanted && this.wakeLock) {
      const lock = this.wakeLock;
      this.wakeLock = null;
      lock.release().catch(() => {});
    }
  },
};

if (document.readyState === 'loading') {
  document.addEventListener('DOMContentLoaded', () => peekstunMediaControls.attach());
} else {
  peekstunMediaControls.attach();
}
