#include "effects/cMatrixColumn.h"

#include "effects/showRandom.h"
#include "platform/display/DynamicError.h"

namespace {

int checkedAreaWidth(int areaWidth) {
    // The width is the divisor of every new column.
    if (areaWidth < 1) throw DynamicError("cMatrixColumn: the area width must be at least 1");
    return areaWidth;
}

cBitmap* checkedBitmap(cBitmap* bitmap) {
    if (bitmap == nullptr) throw DynamicError("cMatrixColumn: no stripe picture");
    return bitmap;
}

}  // namespace

cMatrixColumn::cMatrixColumn(int areaWidth, int areaHeight, cBitmap* bitmap)
    : bitmap(checkedBitmap(bitmap)), areaWidth(checkedAreaWidth(areaWidth)), areaHeight(areaHeight), lastTime(0) {
    x = showRand() % areaWidth;
    y = areaHeight - bitmap->getHeight();
    speed = showRand() % 3 + 3;
}

void cMatrixColumn::draw(DynamicSurface& target) { bitmap->draw(target, x, y); }

void cMatrixColumn::update(float t) {
    advanceStepClock(lastTime, t, [this] { step(); });
}

void cMatrixColumn::step() {
    // Widened so that a very tall area cannot overflow y.
    const int64_t next = static_cast<int64_t>(y) + speed;
    if (next > areaHeight) {
        y = -bitmap->getHeight();
        x = showRand() % areaWidth;
    } else {
        y = static_cast<int32_t>(next);
    }
}
