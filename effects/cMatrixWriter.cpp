#include "effects/cMatrixWriter.h"

namespace {

// The stripe each column shows.
int stripeOfColumn(int column) {
    if (column < 6) return 1;
    if (column < 12) return 2;
    if (column < 18) return 3;
    if (column < 24) return 5;
    if (column < 28) return 0;
    return 4;
}

}  // namespace

cMatrixWriter::cMatrixWriter(int width, int height) : cEffect(width, height) {
    const DynamicFormat frameFormat(32, 0xff0000, 0x00ff00, 0x0000ff, 0);
    for (int i = 0; i < kStripeCount; ++i) {
        stripes[i] = std::make_unique<cBitmap>(width, height, show::dataPath(show::kFirstStripe + i).c_str(),
                                               cBitmap::MODE_ADDITIVE, frameFormat);
    }
    for (int i = 0; i < kColumnCount; ++i) {
        columns[i] = std::make_unique<cMatrixColumn>(width, height, stripes[stripeOfColumn(i)].get());
    }
    ready = 1;
}

cMatrixWriter::~cMatrixWriter() = default;

void cMatrixWriter::skipDraw(float t) {
    if (!ready) return;
    for (auto& column : columns) column->update(t);
}

cMatrixWriter::Progress cMatrixWriter::progress() const {
    Progress saved;
    for (int i = 0; i < kColumnCount; ++i) saved[i] = columns[i]->progress();
    return saved;
}

void cMatrixWriter::resume(const Progress& saved) {
    for (int i = 0; i < kColumnCount; ++i) columns[i]->resume(saved[i]);
}

int cMatrixWriter::draw(DynamicSurface& target, float t) {
    if (!ready) return 0;
    for (auto& column : columns) {
        column->draw(target);
        column->update(t);
    }
    return 1;
}
