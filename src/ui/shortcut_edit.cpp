#include "ui/shortcut_edit.h"

#include <QGuiApplication>

#include "app/shortcut_text.h"

namespace lyr {
namespace {

// Keys that are the same key whatever the layout.
int NamedVirtualKey(int key, bool keypad) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return 0x70 + (key - Qt::Key_F1);
    }
    if (keypad && key >= Qt::Key_0 && key <= Qt::Key_9) {
        return 0x60 + (key - Qt::Key_0);
    }
    if (keypad) {
        switch (key) {
            case Qt::Key_Asterisk:
                return 0x6A;
            case Qt::Key_Plus:
                return 0x6B;
            case Qt::Key_Minus:
                return 0x6D;
            case Qt::Key_Period:
            case Qt::Key_Comma:
                return 0x6E;
            case Qt::Key_Slash:
                return 0x6F;
            default:
                break;
        }
    }
    switch (key) {
        case Qt::Key_Backspace:
            return 0x08;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return 0x09;
        case Qt::Key_Clear:
            return 0x0C;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 0x0D;
        case Qt::Key_Shift:
            return 0x10;
        case Qt::Key_Control:
            return 0x11;
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
            return 0x12;
        case Qt::Key_Pause:
            return 0x13;
        case Qt::Key_CapsLock:
            return 0x14;
        case Qt::Key_Escape:
            return 0x1B;
        case Qt::Key_Space:
            return 0x20;
        case Qt::Key_PageUp:
            return 0x21;
        case Qt::Key_PageDown:
            return 0x22;
        case Qt::Key_End:
            return 0x23;
        case Qt::Key_Home:
            return 0x24;
        case Qt::Key_Left:
            return 0x25;
        case Qt::Key_Up:
            return 0x26;
        case Qt::Key_Right:
            return 0x27;
        case Qt::Key_Down:
            return 0x28;
        case Qt::Key_Print:
            return 0x2C;
        case Qt::Key_Insert:
            return 0x2D;
        case Qt::Key_Delete:
            return 0x2E;
        case Qt::Key_Help:
            return 0x2F;
        case Qt::Key_Meta:
            return 0x5B;
        case Qt::Key_Menu:
            return 0x5D;
        case Qt::Key_Sleep:
            return 0x5F;
        case Qt::Key_NumLock:
            return 0x90;
        case Qt::Key_ScrollLock:
            return 0x91;
        case Qt::Key_Back:
            return 0xA6;
        case Qt::Key_Forward:
            return 0xA7;
        case Qt::Key_Refresh:
            return 0xA8;
        case Qt::Key_Stop:
            return 0xA9;
        case Qt::Key_Search:
            return 0xAA;
        case Qt::Key_Favorites:
            return 0xAB;
        case Qt::Key_HomePage:
            return 0xAC;
        case Qt::Key_VolumeMute:
            return 0xAD;
        case Qt::Key_VolumeDown:
            return 0xAE;
        case Qt::Key_VolumeUp:
            return 0xAF;
        case Qt::Key_MediaNext:
            return 0xB0;
        case Qt::Key_MediaPrevious:
            return 0xB1;
        case Qt::Key_MediaStop:
            return 0xB2;
        case Qt::Key_MediaPlay:
        case Qt::Key_MediaTogglePlayPause:
            return 0xB3;
        case Qt::Key_LaunchMail:
            return 0xB4;
        default:
            return 0;
    }
}

// Letters, digits and punctuation by the character they give on the US layout, for platforms
// that do not tell the key's place.
int VirtualKeyOfCharacter(int key) {
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) {
        return key;
    }
    static constexpr std::string_view kShiftedDigits = ")!@#$%^&*(";
    if (key < 0x80) {
        if (const size_t digit = kShiftedDigits.find(static_cast<char>(key));
            digit != std::string_view::npos) {
            return '0' + static_cast<int>(digit);
        }
    }
    switch (key) {
        case ';':
        case ':':
            return 0xBA;
        case '=':
        case '+':
            return 0xBB;
        case ',':
        case '<':
            return 0xBC;
        case '-':
        case '_':
            return 0xBD;
        case '.':
        case '>':
            return 0xBE;
        case '/':
        case '?':
            return 0xBF;
        case '`':
        case '~':
            return 0xC0;
        case '[':
        case '{':
            return 0xDB;
        case '\\':
        case '|':
            return 0xDC;
        case ']':
        case '}':
            return 0xDD;
        case '\'':
        case '"':
            return 0xDE;
        default:
            return 0;
    }
}

bool ReportsKeyPlaces() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
}

}  // namespace

int VirtualKeyAtKeycode(quint32 keycode) {
    static constexpr struct {
        quint32 first;
        const char* keys;
    } kRows[] = {
        {10, "1234567890\xBD\xBB"},       // 1 ... 0 - =
        {24, "QWERTYUIOP\xDB\xDD"},       // Q ... P [ ]
        {38, "ASDFGHJKL\xBA\xDE\xC0"},    // A ... L ; ' `
        {51, "\xDCZXCVBNM\xBC\xBE\xBF"},  // \ Z ... M , . /
        {94, "\xE2"},                     // the extra key beside the left Shift
    };
    for (const auto& row : kRows) {
        const std::string_view keys(row.keys);
        if (keycode >= row.first && keycode < row.first + keys.size()) {
            return static_cast<unsigned char>(keys[keycode - row.first]);
        }
    }
    return 0;
}

int VirtualKeyOf(const QKeyEvent& event) {
    const int key = event.key();
    if (const int named = NamedVirtualKey(key, event.modifiers() & Qt::KeypadModifier)) {
        return named;
    }
    if (ReportsKeyPlaces()) {
        if (const int placed = VirtualKeyAtKeycode(event.nativeScanCode())) {
            return placed;
        }
    }
    return VirtualKeyOfCharacter(key);
}

std::int32_t ShortCutOf(const QKeyEvent& event) {
    const int virtualKey = VirtualKeyOf(event);
    if (virtualKey == 0) {
        return 0;
    }
    // A modifier key pressed alone is held itself, as the platforms do not all say.
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    return MakeShortCut(virtualKey, modifiers & Qt::ShiftModifier || virtualKey == 0x10,
                        modifiers & Qt::ControlModifier || virtualKey == 0x11,
                        modifiers & Qt::AltModifier || virtualKey == 0x12);
}

ShortCutEdit::ShortCutEdit(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
}

bool ShortCutEdit::event(QEvent* event) {
    // Before QWidget::event, which would take Tab for moving the focus.
    if (event->type() == QEvent::KeyPress) {
        if (const std::int32_t code = ShortCutOf(*static_cast<QKeyEvent*>(event))) {
            emit ShortCutPressed(code);
        }
        event->accept();
        return true;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // Every key is ours while the field has the focus, none a shortcut's.
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

}  // namespace lyr
