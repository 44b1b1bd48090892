// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QImage>

namespace lyr {

// A flat push button that shows one of two skin images: PressImage while it is down (pressed
// or held down), NormalImage in every other state, disabled included. It never takes the
// keyboard focus, so clicking it leaves the focus in the pane being typed in.
class TMyButton : public QAbstractButton {
    Q_OBJECT

public:
    // A new button is 9 x 9 with both images 9 x 9 and black.
    explicit TMyButton(QWidget* parent = nullptr);

    void SetImages(QImage normalImage, QImage pressImage);
    const QImage& NormalImage() const { return normalImage_; }
    const QImage& PressImage() const { return pressImage_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage normalImage_;
    QImage pressImage_;
};

// A 12 x 12 button with a one-pixel border whose corners are left out and an up-arrow glyph,
// drawn entirely by itself; a disabled one draws its glyph in the border colour.
class TSmallButton : public QAbstractButton {
    Q_OBJECT

public:
    // GlyphColor black, BorderColor grey (0x808080), BackColor the palette's button face.
    explicit TSmallButton(QWidget* parent = nullptr);

    QColor GlyphColor() const { return glyphColor_; }
    QColor BorderColor() const { return borderColor_; }
    QColor BackColor() const { return backColor_; }
    void SetGlyphColor(const QColor& color);
    void SetBorderColor(const QColor& color);
    void SetBackColor(const QColor& color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor glyphColor_;
    QColor borderColor_;
    QColor backColor_;
};

}  // namespace lyr
