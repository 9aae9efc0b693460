// The music layer's page side, bundled before the program. The decoder
// compiled for the web runs twice: on the main thread, where the program mixes
// offline and for the silent output through it, and in the audio worklet
// (sound-worklet.js), which plays the song live. For the live output this
// keeps the positions the worklet reports, each at the audio context's frame
// that carries it, and answers which one is heard at a given moment.

// Firefox fetches the output's latency (getOutputTimestamp, outputLatency)
// while holding the lock its audio thread needs, and the page can then hang
// for good. There the page never asks: the worklet reports its own frame
// clock, and the latency is the figure PulseAudio reports for Firefox's
// stream (a full 31 ms buffer and the sink's few ms; web/sync_offset.mjs).
const kLatencyQueryCanHang = /\bGecko\/\d/.test(navigator.userAgent);
const kEstimatedOutputLatencyMs = 40;
const kClockWindowMs = 500;

// When the audio context renders its frames, on the page's clock, from the
// frame numbers the worklet reports with each block: a report arrives after
// its block was rendered, never before, so the earliest arrival of the last
// half second bounds the clock (a sliding minimum: late reports and drift
// drop out, and so, half a second after it, a jump of the clock, as when
// Firefox moves the graph from its start-up timer onto the sound server's
// callback, or the audio thread falls behind).
class FrameClock {
  constructor(rate) {
    this.rate = rate;
    this.lows = [];  // [arrived, offset], offsets rising: the minimum first
  }

  add(frame, arrived) {
    const offset = arrived - frame * 1000 / this.rate;
    while (this.lows.length > 0 && this.lows[this.lows.length - 1][1] >= offset) this.lows.pop();
    this.lows.push([arrived, offset]);
    while (this.lows[0][0] < arrived - kClockWindowMs) this.lows.shift();
  }

  // The frame rendered at page time `at` (ms), or -1 before the first report.
  frameAt(at) {
    return this.lows.length > 0 ? (at - this.lows[0][1]) * this.rate / 1000 : -1;
  }
}

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
    const song = this.createSongDecoder(lib, bytes, this.decoderControls());
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

  // The next frame read is the first of `order`, `row`; returns the seconds
  // from the song's start to there.
  seek(id, order, row) {
    return this.library._openmpt_module_set_position_order_row(this.decoders.get(id).song, order, row);
  },
  orderCount(id) { return this.library._openmpt_module_get_num_orders(this.decoders.get(id).song); },
  rowCount(id, order) {
    const lib = this.library;
    const song = this.decoders.get(id).song;
    const pattern = lib._openmpt_module_get_order_pattern(song, order);
    if (pattern < 0 || pattern >= lib._openmpt_module_get_num_patterns(song)) return 0;
    return lib._openmpt_module_get_pattern_num_rows(song, pattern);
  },
  lengthSeconds(id) { return this.library._openmpt_module_get_duration_seconds(this.decoders.get(id).song); },

  channelCount(id) { return this.library._openmpt_module_get_num_channels(this.decoders.get(id).song); },

  // The effect command on `order`, `row`, `channel` as (its letter's code << 8)
  // | its parameter, or -1 where there is none; the program decides which
  // commands change the song's timing (platform/sound/decoder_rules.h).
  rowCommand(id, order, row, channel) {
    const lib = this.library;
    const song = this.decoders.get(id).song;
    const pattern = lib._openmpt_module_get_order_pattern(song, order);
    if (pattern < 0 || pattern >= lib._openmpt_module_get_num_patterns(song)) return -1;
    const kEffect = 3;
    const kParameter = 5;
    const text = lib._openmpt_module_format_pattern_row_channel_command(song, pattern, row, channel, kEffect);
    const effect = text ? lib.HEAPU8[text] : 0;
    if (text) lib._openmpt_free_string(text);
    if (effect === 0) return -1;
    return effect << 8 | lib._openmpt_module_get_pattern_row_channel_command(song, pattern, row, channel, kParameter);
  },

  // The decoder's settings, as the program has them (platform/sound/decoder_rules.h).
  decoderControls() { return JSON.parse(UTF8ToString(Module._peekstunDecoderControls())); },

  // The live output: an audio context at `rate` Hz with the song player in
  // it. False when the page cannot play sound.
  async openLive(rate) {
    this.closeLive();
    try {
      const context = new AudioContext({ sampleRate: rate, latencyHint: 'interactive' });
      // Asked at once, while the click on Run still lets the page start sound.
      const resumed = context.resume();
      await context.audioWorklet.addModule(new URL('sound-worklet.js', document.baseURI).href);
      const node = new AudioWorkletNode(context, 'peekstun-song', {
        numberOfInputs: 0, outputChannelCount: [2], processorOptions: { reportClock: kLatencyQueryCanHang },
      });
      // The show's volume is a gain after the song.
      const gain = context.createGain();
      node.connect(gain);
      gain.connect(context.destination);
      const live = { context, node, gain, play: 0, entries: [], end: Infinity, stoppedAt: -1 };
      if (kLatencyQueryCanHang) live.clock = new FrameClock(context.sampleRate);
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
    if (message.clock !== undefined) {
      live.clock.add(message.clock, performance.now());
      return;
    }
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
    live.node.port.postMessage({
      play: { id: live.play, bytes: bytes.slice().buffer, taps, controls: this.decoderControls() },
    });
  },

  // The show's volume and mute, as the factor the samples are scaled by.
  setGain(gain) {
    if (this.live) this.live.gain.gain.value = gain;
  },

  // Pausing stops the worklet's mixing: what it rendered before the message
  // arrived is heard out, and no position is reported until it mixes again,
  // so the position heard holds where the song stopped.
  pauseLive(paused) {
    if (this.live) this.live.node.port.postMessage({ pause: paused });
  },

  // The song goes on from `framesIntoRow` frames into `order`, `row` (an
  // order of -1 ends it). Reports from before the seek are dropped, and the
  // position reads the target from now on.
  seekLive(order, row, framesIntoRow) {
    const live = this.live;
    if (!live) return;
    // Past the end, the song ends where it is heard now.
    const heard = this.heardPosition();
    live.play += 1;
    live.entries = order >= 0 ? [[-Infinity, order, row]] : [[-Infinity, heard >> 16, heard & 0xffff]];
    live.end = order >= 0 ? Infinity : -Infinity;
    live.node.port.postMessage({ seek: { id: live.play, order, row, framesIntoRow } });
  },

  // The audio context's frame heard at page time `at` (ms, performance.now();
  // now when left out), or -1 before anything is heard. Where the browser
  // answers safely, its output timestamp says which frame left the speakers
  // when; elsewhere the worklet's frame clock and the estimated latency do.
  heardFrame(at = performance.now()) {
    const live = this.live;
    if (live.stoppedAt >= 0) return live.stoppedAt;
    if (live.clock) {
      const frame = live.clock.frameAt(at - kEstimatedOutputLatencyMs);
      return frame >= 0 ? Math.floor(frame) : -1;
    }
    const stamp = live.context.getOutputTimestamp();
    if (!(stamp.performanceTime > 0)) return -1;  // nothing heard yet
    const seconds = stamp.contextTime + (at - stamp.performanceTime) / 1000;
    return Math.floor(seconds * live.context.sampleRate);
  },

  // The position heard at page time `at` (default now) as order x 65536 + row.
  heardPosition(at) {
    const live = this.live;
    const frame = this.heardFrame(at);
    const entries = live.entries;
    // Entries come in order of their frames; the newest whose frame has come.
    let found = null;
    for (let i = entries.length - 1; i >= 0; --i) {
      if (entries[i][0] <= frame) { found = entries[i]; break; }
    }
    return found ? found[1] * 65536 + found[2] : 0;
  },

  // Whether the song's end is heard by page time `at` (default now).
  heardEnd(at) { return this.heardFrame(at) >= this.live.end; },

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
    live.node.port.onmessage = null;
    live.node.port.close();
    live.node.disconnect();
    live.context.close().catch(() => {});
  },
};
