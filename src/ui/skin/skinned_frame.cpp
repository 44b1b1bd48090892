// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/skin/skinned_frame.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <utility>

#include "ui/hint.h"
#include "ui/skin/frame_painter.h"
#include "ui/skin/skin_loader.h"

namespace lyr {
namespace {

QString Hint(CaptionButton button) {
    switch (button) {
        case CaptionButton::Close:
            return QStringLiteral("Закрыть Lyr Messenger");
        case CaptionButton::Previous:
            return QStringLiteral("Предыдущее сообщение");
        case CaptionButton::Next:
            return QStringLiteral("Следующее сообщение");
        case CaptionButton::Clear:
            return QStringLiteral("Очистить сообщение");
        case CaptionButton::Reply:
            return QStringLiteral("Ответить на сообщение");
        case CaptionButton::Send:
            return QStringLiteral("Послать сообщение");
    }
    return {};
}

// Where the compositor alone places windows, it has to do the moving and resizing itself.
bool CompositorPlacesWindows() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace

SkinnedFrame::SkinnedFrame(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    // The paint covers every pixel, so there is nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFont(FrameFont());
    setMinimumSize(kMinimumFrameSize);
    for (int i = 0; i < kCaptionButtonCount; ++i) {
        const auto kind = static_cast<CaptionButton>(i);
        auto* button = new TMyButton(this);
        SetHint(*button, Hint(kind));
        buttons_[i] = button;
    }
    SetSkin(LoadSkin(QString()));
    // Whoever places the window snaps it to whole tiles, once.
    resize(kDesignFrameSize.expandedTo(kMinimumFrameSize));
    PlaceChildren();
}

void SkinnedFrame::SetSkin(Skin skin) {
    skin_ = std::move(skin);
    for (int i = 0; i < kCaptionButtonCount; ++i) {
        const ButtonFaces& faces = skin_.buttons[i];
        buttons_[i]->SetImages(faces.NormalImage, faces.PressImage);
    }
    update();
}

void SkinnedFrame::SetContentWidget(QWidget* content) {
    content_ = content;
    if (content_ != nullptr) {
        content_->setParent(this);
        content_->show();
    }
    PlaceChildren();
}

void SkinnedFrame::SetInfoTextWidget(QWidget* infoText) {
    infoText_ = infoText;
    if (infoText_ != nullptr) {
        infoText_->setParent(this);
        infoText_->show();
    }
    PlaceChildren();
}

void SkinnedFrame::SetFrameGeometry(const QRect& proposed) {
    const QRect sized(proposed.topLeft(), proposed.size().expandedTo(kMinimumFrameSize));
    setGeometry(SnapToWorkArea(sized, WorkAreaAt(sized.center())));
}

QRect SkinnedFrame::WorkAreaAt(QPoint globalPosition) const {
    QScreen* screen = QGuiApplication::screenAt(globalPosition);
    if (screen == nullptr) {
        screen = this->screen();
    }
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

void SkinnedFrame::PlaceChildren() {
    for (int i = 0; i < kCaptionButtonCount; ++i) {
        buttons_[i]->setGeometry(CaptionButtonArea(static_cast<CaptionButton>(i), size()));
    }
    if (content_ != nullptr) {
        content_->setGeometry(ContentArea());
    }
    if (infoText_ != nullptr) {
        infoText_->setGeometry(InfoTextArea(size()));
    }
}

void SkinnedFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintFrame(painter, skin_, size());
}

void SkinnedFrame::resizeEvent(QResizeEvent*) {
    PlaceChildren();
    update();
}

void SkinnedFrame::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const FrameHit hit = HitTestFrame(event->position().toPoint(), size());
    if (hit == FrameHit::Client) {
        return;
    }
    // The compositor's own move and resize cannot cling to the work area; use them only
    // where a window cannot place itself, and move by hand where the compositor refuses.
    if (CompositorPlacesWindows() && windowHandle() != nullptr &&
        (hit == FrameHit::DragBand
             ? windowHandle()->startSystemMove()
             : windowHandle()->startSystemResize(Qt::BottomEdge | Qt::RightEdge))) {
        return;
    }
    gesture_ = hit == FrameHit::DragBand ? Gesture::Move : Gesture::Resize;
    gestureStart_ = event->globalPosition().toPoint();
    geometryAtStart_ = geometry();
}

void SkinnedFrame::mouseMoveEvent(QMouseEvent* event) {
    const QPoint offset = event->globalPosition().toPoint() - gestureStart_;
    switch (gesture_) {
        case Gesture::Move:
            SetFrameGeometry(geometryAtStart_.translated(offset));
            break;
        case Gesture::Resize:
            SetFrameGeometry(QRect(geometryAtStart_.topLeft(),
                                   geometryAtStart_.size() + QSize(offset.x(), offset.y())));
            break;
        case Gesture::None: {
            const bool onGrip =
                HitTestFrame(event->position().toPoint(), size()) == FrameHit::ResizeGrip;
            if (onGrip) {
                setCursor(Qt::SizeFDiagCursor);
            } else {
                unsetCursor();
            }
            break;
        }
    }
}

void SkinnedFrame::mouseReleaseEvent(QMouseEvent* event) {
    if (gesture_ != Gesture::None) {
        // The end of a move or resize is no click.
        if (event->buttons() == Qt::NoButton || event->button() == Qt::LeftButton) {
            gesture_ = Gesture::None;
        }
        return;
    }
    if (IsCornerMenuPoint(event->position().toPoint())) {
        emit CornerMenuRequested(mapToGlobal(QPoint(0, 0)));
    }
}

}  // namespace lyr
