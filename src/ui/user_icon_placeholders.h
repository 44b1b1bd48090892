#pragma once

#include <QList>
#include <QPixmap>

namespace lyr {

// Ten numbered 32 x 32 pictures that stand in for the main window's user icons where those are
// not at hand (the demonstration and the tests of the settings dialog).
QList<QPixmap> UserIconPlaceholders();

}  // namespace lyr
