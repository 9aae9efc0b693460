// The player's page side, bundled before the program: the scrubber bar over
// the picture, a tap or click on the picture to pause and resume, the start
// moment read from the address (#t=SECONDS or #scene=N), and the address
// showing the paused moment so that it can be copied. The show reports each
// presented frame through Module.peekstunBar; the page's requests reach the
// show through the program's exported peekstunTogglePause and peekstunSeekTo,
// taken between frames, and the start through peekstunStartAt.
var peekstunPlayer = {
  // How long the bar stays after the pointer last moved, unless paused.
  idleMs: 2000,
  // While dragging, at most one seek waits for the show to draw it.
  seekWaiting: false,
  dragSeconds: null,
  pendingDrag: null,
  lastActivity: -Infinity,
  hideTimer: 0,
  playing: false,
  state: { shown: false, paused: false, seconds: 0, total: 0, scene: 1, starts: [], volume: null },
  marksFor: '',
  addressShown: '',

  // Where the address asks the show to start: { seconds, scene } with
  // seconds -1 and scene 0 for the start. What cannot be read is said on the
  // page and the show starts from its beginning.
  startChoice() {
    const choice = { seconds: -1, scene: 0 };
    const fragment = location.hash.replace(/^#/, '');
    if (fragment === '') return choice;
    const match = /^(t|scene)=(.*)$/.exec(fragment);
    const value = match ? match[2] : '';
    if (match && match[1] === 't' && /^\d+(\.\d*)?$/.test(value)) {
      choice.seconds = Number(value);
    } else if (match && match[1] === 'scene' && /^[1-8]$/.test(value)) {
      choice.scene = Number(value);
    } else if (Module.showNotice) {
      Module.showNotice(`No such moment "#${fragment}" (#t=SECONDS or #scene=1 to 8): the show starts at its beginning`,
        4000);
    }
    return choice;
  },

  element(id) {
    return document.getElementById(id);
  },

  // m:ss.s (or m:ss for whole lengths).
  format(seconds, tenths = true) {
    const whole = tenths ? Math.floor(seconds * 10) / 10 : Math.floor(seconds);
    const minutes = Math.floor(whole / 60);
    const rest = whole - minutes * 60;
    const text = tenths ? rest.toFixed(1) : String(rest);
    return `${minutes}:${rest < 10 ? '0' : ''}${text}`;
  },

  // The moment as the address writes it: hundredths, without trailing zeros.
  moment(seconds) {
    return String(Number(seconds.toFixed(2)));
  },

  attach() {
    const bar = this.element('player');
    const track = this.element('player-track');
    const screen = this.element('screen');
    if (!bar || !track || !screen) return;
    // The show asks for full screen on its canvas; the stage holds the canvas
    // and the bar, so the bar stays on screen in full screen too.
    const stage = this.element('stage');
    if (stage) screen.requestFullscreen = (options) => stage.requestFullscreen(options);

    const wake = () => { if (this.playing) this.touched(); };
    document.addEventListener('pointermove', (event) => { if (event.pointerType === 'mouse') wake(); });
    document.addEventListener('pointerdown', wake);
    screen.addEventListener('click', () => {
      if (this.playing) Module._peekstunTogglePause();
    });

    const secondsAt = (event) => {
      const box = track.getBoundingClientRect();
      const along = Math.min(1, Math.max(0, (event.clientX - box.left) / box.width));
      return along * this.state.total;
    };
    track.addEventListener('pointerdown', (event) => {
      if (!this.playing || !(this.state.total > 0)) return;
      track.setPointerCapture(event.pointerId);
      this.dragSeconds = secondsAt(event);
      this.seekWhileDragging();
      this.draw();
      event.preventDefault();
    });
    track.addEventListener('pointermove', (event) => {
      if (this.dragSeconds === null) return;
      this.dragSeconds = secondsAt(event);
      this.seekWhileDragging();
      this.draw();
    });
    const release = (event) => {
      if (this.dragSeconds === null) return;
      if (event.type === 'pointerup') this.dragSeconds = secondsAt(event);
      // The last place the pointer was is where the show goes, whatever
      // seeks went before it.
      Module._peekstunSeekTo(this.dragSeconds);
      this.dragSeconds = null;
      this.pendingDrag = null;
      this.touched();
    };
    track.addEventListener('pointerup', release);
    track.addEventListener('pointercancel', release);
    bar.addEventListener('click', (event) => event.stopPropagation());
    // A moment typed or pasted into the address of a playing show goes there.
    // Before Run, it is where the show starts.
    window.addEventListener('hashchange', () => {
      if (!this.playing) {
        if (window.peekstunState === 'launcher') this.chooseStart();
        return;
      }
      if (location.hash === this.addressShown) return;
      const { seconds, scene } = this.startChoice();
      this.addressShown = location.hash;  // replaced by the moment shown next
      if (seconds >= 0) Module._peekstunSeekTo(seconds);
      else if (scene > 0 && scene <= this.state.starts.length) Module._peekstunGoToScene(scene);
    });
  },

  seekWhileDragging() {
    if (this.seekWaiting) {
      this.pendingDrag = this.dragSeconds;
      return;
    }
    this.seekWaiting = true;
    this.pendingDrag = null;
    Module._peekstunSeekTo(this.dragSeconds);
  },

  // Pointer activity: the bar shows, and hides again after idleMs of none.
  touched() {
    this.lastActivity = performance.now();
    clearTimeout(this.hideTimer);
    this.hideTimer = setTimeout(() => this.draw(), this.idleMs + 20);
    this.draw();
  },

  // The next Run starts where the address says.
  chooseStart() {
    const { seconds, scene } = this.startChoice();
    Module._peekstunStartAt(seconds, scene);
  },

  // The page's side of the program's state: "show" while the show plays;
  // "launcher" before each Run, when the address names where it starts.
  showState(state) {
    if (state === 'launcher') this.chooseStart();
    this.playing = state === 'show';
    this.dragSeconds = null;
    this.seekWaiting = false;
    this.lastActivity = -Infinity;
    this.state = { shown: false, paused: false, seconds: 0, total: 0, scene: 1, starts: [], volume: null };
    this.marksFor = '';
    this.draw();
    peekstunMediaControls.update(this.playing, this.state);
  },

  // Each presented frame: whether the show wants the bar shown (after a key,
  // while paused), the moment on screen, and, just after it changed, the
  // volume ({ percent, muted }; percent -1 for none) or null.
  bar(shown, paused, seconds, total, scene, sceneStarts, volume) {
    this.state = { shown: !!shown, paused: !!paused, seconds, total, scene, starts: Array.from(sceneStarts || []),
      volume: volume || null };
    if (this.seekWaiting) {
      this.seekWaiting = false;
      if (this.dragSeconds !== null && this.pendingDrag !== null) this.seekWhileDragging();
    }
    this.showAddress();
    this.draw();
    peekstunMediaControls.update(this.playing, this.state);
  },

  // While paused the address names the moment on screen; playing, it names none.
  showAddress() {
    const wanted = this.state.paused ? '#t=' + this.moment(this.state.seconds) : '';
    if (wanted === this.addressShown) return;
    this.addressShown = wanted;
    history.replaceState(history.state, '', location.pathname + location.search + wanted);
  },

  draw() {
    const bar = this.element('player');
    if (!bar) return;
    const { shown, paused, seconds, total, scene, starts, volume } = this.state;
    const active = performance.now() - this.lastActivity < this.idleMs;
    const visible = this.playing && total > 0 && (shown || paused || active || this.dragSeconds !== null);
    bar.hidden = !visible;
    this.element('screen').classList.toggle('idle', this.playing && !visible);
    if (!visible) return;
    const at = this.dragSeconds !== null ? this.dragSeconds : seconds;
    const share = Math.min(1, Math.max(0, at / total));
    this.element('player-done').style.width = share * 100 + '%';
    this.element('player-knob').style.left = share * 100 + '%';
    this.element('player-state').textContent = paused ? 'Paused' : 'Playing';
    this.element('player-time').textContent = `${this.format(at)} / ${this.format(total, false)}`;
    this.element('player-scene').textContent = !volume ? `Scene ${this.sceneAt(at, scene)} of ${starts.length || 1}`
      : volume.muted ? 'Muted'
      : volume.percent < 0 ? 'No volume'
      : `Volume ${volume.percent} %`;
    const track = this.element('player-track');
    track.setAttribute('aria-valuenow', at.toFixed(1));
    track.setAttribute('aria-valuemax', total.toFixed(1));
    track.setAttribute('aria-valuetext', `${this.format(at)}, scene ${this.sceneAt(at, scene)}`);
    const marksFor = total + ':' + starts.join(',');
    if (marksFor !== this.marksFor) {
      this.marksFor = marksFor;
      const marks = this.element('player-marks');
      marks.replaceChildren();
      starts.forEach((start, index) => {
        if (index === 0) return;  // the first scene starts at the bar's left end
        const mark = document.createElement('span');
        mark.style.left = (start / total) * 100 + '%';
        marks.appendChild(mark);
      });
    }
  },

  // The scene at a dragged moment; the show's own while not dragging.
  sceneAt(seconds, scene) {
    if (this.dragSeconds === null) return scene;
    let found = 1;
    this.state.starts.forEach((start, index) => { if (seconds >= start) found = index + 1; });
    return found;
  },
};

Module.peekstunBar = (...args) => peekstunPlayer.bar(...args);
if (document.readyState === 'loading') {
  document.addEventListener('DOMContentLoaded', () => peekstunPlayer.attach());
} else {
  peekstunPlayer.attach();
}
