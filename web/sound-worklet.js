// The song player on the page's audio thread. It mixes the song with the
// decoder compiled for the web, as the native layer does (played once, no
// dither, the chosen interpolation), and tells the main thread every change
// of position and the song's end, each with the audio context's frame that
// carries it; the main thread knows when that frame is heard. Asked to, it
// also reports the frame after each block it renders: the page's own measure
// of the audio clock where the browser's cannot be asked.
import createDecoderLibrary from './libopenmpt.worklet.js';
import { createSongDecoder } from './song-decoder.js';

// Frames mixed between two position readings, as natively.
const kPositionStep = 32;
const kInterpolationFilterLength = 3;  // the decoder's render parameter

const libraryLoading = createDecoderLibrary();

class SongPlayer extends AudioWorkletProcessor {
  constructor(options) {
    super();
    this.reportClock = Boolean(options.processorOptions?.reportClock);
    this.library = null;
    this.song = 0;
    this.paused = false;
    this.port.onmessage = (event) => this.receive(event.data);
  }

  async receive(message) {
    if (message.play) {
      try {
        this.library ??= await libraryLoading;
        this.start(message.play);
      } catch (error) {
        this.port.postMessage({ play: message.play.id, failed: String(error) });
      }
    } else if (message.stop) {
      this.release();
    } else if (message.pause !== undefined) {
      this.paused = message.pause;
    } else if (message.seek) {
      this.seek(message.seek);
    }
  }

  start({ id, bytes, taps, controls }) {
    this.release();
    const lib = this.library;
    this.song = createSongDecoder(lib, bytes, controls);
    if (!this.song) {
      this.port.postMessage({ play: id, failed: 'not a module the decoder reads' });
      return;
    }
    if (taps) lib._openmpt_module_set_render_param(this.song, kInterpolationFilterLength, taps);
    this.left = lib._malloc(4 * kPositionStep);
    this.right = lib._malloc(4 * kPositionStep);
    this.id = id;
    this.order = -1;
    this.row = -1;
    this.ended = false;
    this.paused = false;
  }

  // The next frame mixed is `framesIntoRow` frames into `order`, `row`; its
  // reports carry the seek's id, so the page drops any from before it.
  seek({ id, order, row, framesIntoRow }) {
    this.id = id;
    if (!this.song) return;
    if (order < 0) {
      this.ended = true;
      this.release();
      return;
    }
    const lib = this.library;
    lib._openmpt_module_set_position_order_row(this.song, order, row);
    for (let left = framesIntoRow; left > 0;) {
      const count = Math.min(left, kPositionStep);
      if (lib._openmpt_module_read_float_stereo(this.song, sampleRate, count, this.left, this.right) < count) break;
      left -= count;
    }
    this.order = order;
    this.row = row;
    this.ended = false;
  }

  release() {
    if (!this.song) return;
    const lib = this.library;
    lib._openmpt_module_destroy(this.song);
    lib._free(this.left);
    lib._free(this.right);
    this.song = 0;
  }

  process(inputs, outputs) {
    if (this.reportClock) this.port.postMessage({ clock: currentFrame + outputs[0][0].length });
    if (!this.song || this.ended || this.paused) return true;
    const lib = this.library;
    const [left, right] = outputs[0];
    for (let offset = 0; offset < left.length; offset += kPositionStep) {
      const wanted = Math.min(kPositionStep, left.length - offset);
      const got = lib._openmpt_module_read_float_stereo(this.song, sampleRate, wanted, this.left, this.right);
      left.set(lib.HEAPF32.subarray(this.left / 4, this.left / 4 + got), offset);
      right.set(lib.HEAPF32.subarray(this.right / 4, this.right / 4 + got), offset);
      if (got === wanted) {
        // The decoder reports the position of the last frame it mixed.
        const order = lib._openmpt_module_get_current_order(this.song);
        const row = lib._openmpt_module_get_current_row(this.song);
        if (order !== this.order || row !== this.row) {
          this.order = order;
          this.row = row;
          this.port.postMessage({ play: this.id, frame: currentFrame + offset + got - 1, order, row });
        }
      } else {
        // Past its end the decoder's position is no longer the last one heard.
        this.ended = true;
        this.port.postMessage({ play: this.id, end: currentFrame + offset + got });
        this.release();
        break;
      }
    }
    return true;
  }
}

registerProcessor('peekstun-song', SongPlayer);
