#include "ui/window_showing.h"

namespace lyr {

void BringToFront(QWidget& window) {
    window.hide();
    ShowAndActivate(window);
}

void ShowAndActivate(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace lyr
