// Making a song decoder as the native layer does (played once, stopping at
// the end, no dither, seeks that set up the notes playing), shared by the
// main thread (sound.js) and the audio worklet (sound-worklet.js).

// The decoder for the song in `bytes` (an ArrayBuffer or a byte array) inside
// the decoder library `lib`, or 0 when it rejects the data. The strings, the
// controls and the file live in the library's memory only until the decoder
// is made from them.
export function createSongDecoder(lib, bytes) {
  const data = bytes instanceof Uint8Array ? bytes : new Uint8Array(bytes);
  // A seek sets up the notes playing at the target row too.
  const strings = ['play.at_end', 'stop', 'dither', '0', 'seek.sync_samples', '1'].map((text) => {
    const address = lib._malloc(text.length + 1);
    for (let i = 0; i < text.length; ++i) lib.HEAPU8[address + i] = text.charCodeAt(i);
    lib.HEAPU8[address + text.length] = 0;
    return address;
  });
  const controls = lib._malloc((strings.length + 2) * 4);
  lib.HEAPU32.set([...strings, 0, 0], controls / 4);
  const file = lib._malloc(data.length);
  lib.HEAPU8.set(data, file);
  const song = lib._openmpt_module_create_from_memory(file, data.length, 0, 0, controls);
  for (const address of [...strings, controls, file]) lib._free(address);
  return song;
}
