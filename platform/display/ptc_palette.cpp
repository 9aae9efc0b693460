// Palettes: 256 entries of 0x00RRGGBB, loaded whole or locked for editing.
#include "platform/display/DynamicError.h"
#include "platform/display/ptc_objects.h"

PTC_PALETTE ptc_palette_create() { return new ptc_palette_t; }

void ptc_palette_assign(PTC_PALETTE palette, PTC_PALETTE source) {
    requireHandle(palette, "ptc_palette_assign");
    requireHandle(source, "ptc_palette_assign");
    palette->entries = source->entries;
}

void ptc_palette_destroy(PTC_PALETTE palette) { delete palette; }

void ptc_palette_load(PTC_PALETTE palette, const int32_t* data) {
    requireHandle(palette, "ptc_palette_load");
    if (!data) throw DynamicError("ptc_palette_load: no palette data");
    for (int i = 0; i < kPaletteEntries; ++i) palette->entries[i] = static_cast<uint32_t>(data[i]) & 0x00ffffffu;
}

int32_t* ptc_palette_lock(PTC_PALETTE palette) {
    requireHandle(palette, "ptc_palette_lock");
    ++palette->locks;
    return reinterpret_cast<int32_t*>(palette->entries.data());
}

void ptc_palette_unlock(PTC_PALETTE palette) {
    requireHandle(palette, "ptc_palette_unlock");
    if (palette->locks == 0) throw DynamicError("ptc_palette_unlock: the palette is not locked");
    --palette->locks;
}
