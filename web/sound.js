// The music layer's page side, bundled before the program. The decoder
// compiled for the web runs twice: on the main thread, where the program mixes
// offline and for the silent output through it, and in the audio worklet
// (sound-worklet.js), which plays the song live. For the live output this
// keeps the positions the worklet reports, each at the audio context's frame
// that carries it, and answers which one is being heard now.
var peekstunSound = {
  library: null,
  createSongDecoder: null,  // from song-decoder.js, loaded with the library
  decoders: new Map(),
  nextDecoder: 1,
  live: null,

  // Loads the decoder for the main thread; false when it cannot be loaded.
  async loadLibrary() {
    if (this.library) return true;
    try {
      const found = await import(new URL('libopenmpt.worklet.js', document.baseURI).href);
      const decoders = await import(new URL('song-decoder.js', document.baseURI).href);
      this.createSongDecoder = decoders.createSongDecoder;
      this.library = await found.default();
      return true;
    } catch (error) {
      console.error('The sound decoder did not load: ' + error);
      return false;
    }
  },

  // A decoder of the song in `bytes`, played once without dither, or 0 when
  // the decoder rejects the data.
  createDecoder(bytes) {
    const lib = this.library;
    const song = this.createSongDecoder(lib, bytes);
    if (!song) return 0;
    const id = this.nextDecoder++;
    this.decoders.set(id, { song, buffer: lib._malloc(4 * 1024) });
    return id;
  },

  destroyDecoder(id) {
    const decoder = this.decoders.get(id);
    if (!decoder) return;
    this.library._openmpt_module_destroy(decoder.song);
    this.library._free(decoder.buffer);
    this.decoders.delete(id);
  },

  setTaps(id, taps) {
    this.library._openmpt_module_set_render_param(this.decoders.get(id).song, 3, taps);
  },

  // Mixes up to 256 stereo frames into `into` (an Int16Array of at least
  // 2 x frames values); returns the frames mixed.
  read(id, rate, frames, into) {
    const lib = this.library;
    const decoder = this.decoders.get(id);
    const got = lib._openmpt_module_read_interleaved_stereo(decoder.song, rate, frames, decoder.buffer);
    into.set(lib.HEAP16.subarray(decoder.buffer / 2, decoder.buffer / 2 + 2 * got));
    return got;
  },

  order(id) { return this.library._openmpt_module_get_current_order(this.decoders.get(id).song); },
  row(id) { return this.library._openmpt_module_get_current_row(this.decoders.get(id).song); },

  // The live output: an audio context at `rate` Hz with the song player in
  // it. False when the page cannot play sound.
  async openLive(rate) {
    this.closeLive();
    try {
      const context = new AudioContext({ sampleRate: rate, latencyHint: 'interactive' });
      // Asked at once, while the click on Run still lets the page start sound.
      const resumed = context.resume();
      await context.audioWorklet.addModule(new URL('sound-worklet.js', document.baseURI).href);
      const node = new AudioWorkletNode(context, 'peekstun-song', { numberOfInputs: 0, outputChannelCount: [2] });
      node.connect(context.destination);
      const live = { context, node, play: 0, entries: [], end: Infinity, stoppedAt: -1 };
      node.port.onmessage = (event) => this.receive(live, event.data);
      this.live = live;
      // A browser that does not let the page play sound leaves it suspended.
      await Promise.race([resumed, new Promise((resolve) => setTimeout(resolve, 5000))]);
      if (context.state !== 'running') {
        this.closeLive();
        throw new Error('the browser did not let the page start its sound');
      }
      return true;
    } catch (error) {
      console.error('The page cannot play sound: ' + error);
      return false;
    }
  },

  receive(live, message) {
    if (message.play !== live.play) return;  // from a song played before
    if (message.failed) console.error('The song did not start: ' + message.failed);
    else if (message.end !== undefined) live.end = message.end;
    else live.entries.push([message.frame, message.order, message.row]);
  },

  playLive(bytes, taps) {
    const live = this.live;
    live.play += 1;
    live.entries = [];
    live.end = Infinity;
    live.stoppedAt = -1;
    live.node.port.postMessage({ play: { id: live.play, bytes: bytes.slice().buffer, taps } });
  },

  // The audio context's frame being heard now: the output's timestamp says
  // which frame left the speakers when, the page's clock how long ago.
  heardFrame() {
    const live = this.live;
    if (live.stoppedAt >= 0) return live.stoppedAt;
    const stamp = live.context.getOutputTimestamp();
    if (!(stamp.performanceTime > 0)) return -1;  // nothing heard yet
    const seconds = stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000;
    return Math.floor(seconds * live.context.sampleRate);
  },

  // The position heard now as order x 65536 + row.
  heardPosition() {
    const live = this.live;
    const frame = this.heardFrame();
    const entries = live.entries;
    // Entries come in order of their frames; the newest whose frame has come.
    let found = null;
    for (let i = entries.length - 1; i >= 0; --i) {
      if (entries[i][0] <= frame) { found = entries[i]; break; }
    }
    return found ? found[1] * 65536 + found[2] : 0;
  },

  heardEnd() { return this.heardFrame() >= this.live.end; },

  stopLive() {
    const live = this.live;
    if (!live) return;
    live.stoppedAt = Math.max(this.heardFrame(), 0);
    live.node.port.postMessage({ stop: true });
  },

  closeLive() {
    const live = this.live;
    if (!live) return;
    this.live = null;
    live.node.port.postMessage({ stop: true });
    live.node.disconnect();
    live.context.close().catch(() => {});
  },
};
