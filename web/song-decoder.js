// Making a song decoder as the native layer does, with the controls the
// program hands over (platform/sound/decoder_rules.h: played once, stopping
// at the end, no dither, seeks that set up the notes playing), shared by the
// main thread (sound.js) and the audio worklet (sound-worklet.js).

// The decoder for the song in `bytes` (an ArrayBuffer or a byte array) inside
// the decoder library `lib`, set up with `controls` ([name, value] pairs), or
// 0 when it rejects the data. The strings, the controls and the file live in
// the library's memory only until the decoder is made from them.
export function createSongDecoder(lib, bytes, controls) {
  const data = bytes instanceof Uint8Array ? bytes : new Uint8Array(bytes);
  const strings = controls.flat().map((text) => {
    const address = lib._malloc(text.length + 1);
    for (let i = 0; i < text.length; ++i) lib.HEAPU8[address + i] = text.charCodeAt(i);
    lib.HEAPU8[address + text.length] = 0;
    return address;
  });
  const table = lib._malloc((strings.length + 2) * 4);
  lib.HEAPU32.set([...strings, 0, 0], table / 4);
  const file = lib._malloc(data.length);
  lib.HEAPU8.set(data, file);
  const song = lib._openmpt_module_create_from_memory(file, data.length, 0, 0, table);
  for (const address of [...strings, table, file]) lib._free(address);
  return song;
}
