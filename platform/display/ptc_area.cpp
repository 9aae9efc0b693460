// Areas: rectangles whose right and bottom edges are one past the last pixel.
#include "platform/display/ptc_objects.h"

PTC_AREA ptc_area_create(int left, int top, int right, int bottom) { return new ptc_area_t{left, top, right, bottom}; }

void ptc_area_assign(PTC_AREA area, PTC_AREA source) {
    requireHandle(area, "ptc_area_assign");
    requireHandle(source, "ptc_area_assign");
    *area = *source;
}

void ptc_area_destroy(PTC_AREA area) { delete area; }

int ptc_area_left(PTC_AREA area) {
    requireHandle(area, "ptc_area_left");
    return area->left;
}

int ptc_area_top(PTC_AREA area) {
    requireHandle(area, "ptc_area_top");
    return area->top;
}

int ptc_area_right(PTC_AREA area) {
    requireHandle(area, "ptc_area_right");
    return area->right;
}

int ptc_area_bottom(PTC_AREA area) {
    requireHandle(area, "ptc_area_bottom");
    return area->bottom;
}

// Computed in 64 bits so extreme edges cannot overflow; a reversed area has
// no pixels.
int ptc_area_width(PTC_AREA area) {
    requireHandle(area, "ptc_area_width");
    const int64_t width = int64_t(area->right) - area->left;
    return width > 0 ? static_cast<int>(width > INT32_MAX ? INT32_MAX : width) : 0;
}

int ptc_area_height(PTC_AREA area) {
    requireHandle(area, "ptc_area_height");
    const int64_t height = int64_t(area->bottom) - area->top;
    return height > 0 ? static_cast<int>(height > INT32_MAX ? INT32_MAX : height) : 0;
}
