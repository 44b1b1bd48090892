// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/colour.h"

#include <algorithm>

namespace lyr {
namespace {

ColorRef AddToEachComponent(ColorRef color, int amount) {
    auto change = [amount](int component) { return std::clamp(component + amount, 0, 255); };
    return MakeColorRef(change(RedOf(color)), change(GreenOf(color)), change(BlueOf(color)));
}

}  // namespace

ColorRef DarkenColor(ColorRef color, int amount) {
    return AddToEachComponent(color, -amount);
}

ColorRef LightenColor(ColorRef color, int amount) {
    return AddToEachComponent(color, amount);
}

ColorRef ContrastColor(ColorRef background) {
    // In thousandths, so that a half is exact and rounds to even as it should.
    const int thousandths =
        299 * RedOf(background) + 587 * GreenOf(background) + 114 * BlueOf(background);
    int luma = thousandths / 1000;
    const int rest = thousandths % 1000;
    if (rest > 500 || (rest == 500 && luma % 2 == 1)) {
        ++luma;
    }
    return luma <= 127 ? kWhite : kBlack;
}

}  // namespace lyr
