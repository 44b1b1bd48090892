// SPDX-License-Identifier: GPL-3.0-or-later
// Saves a picture of the whole X screen, override-redirect menus included, for looking at
// what a system test saw: lyr_screen_shot FILE.png
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: lyr_screen_shot FILE.png\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "lyr_screen_shot: cannot save %s\n", argv[1]);
        return 1;
    }
    return 0;
}
