// A rectangle: left, top, right, bottom, right and bottom one past the last pixel.
#pragma once

#include "ptc.h"

class DynamicArea {
public:
    DynamicArea() : handle(ptc_area_create(0, 0, 0, 0)) {}
    DynamicArea(int left, int top, int right, int bottom) : handle(ptc_area_create(left, top, right, bottom)) {}
    DynamicArea(const DynamicArea& other) : DynamicArea() { ptc_area_assign(handle, other.handle); }
    DynamicArea& operator=(const DynamicArea& other) {
        ptc_area_assign(handle, other.handle);
        return *this;
    }
    ~DynamicArea() { ptc_area_destroy(handle); }

    int left() const { return ptc_area_left(handle); }
    int top() const { return ptc_area_top(handle); }
    int right() const { return ptc_area_right(handle); }
    int bottom() const { return ptc_area_bottom(handle); }
    int width() const { return ptc_area_width(handle); }
    int height() const { return ptc_area_height(handle); }

    PTC_AREA get() const { return handle; }

private:
    PTC_AREA handle;
};
