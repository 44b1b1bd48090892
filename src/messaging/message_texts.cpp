// SPDX-License-Identifier: GPL-3.0-or-later
#include "messaging/message_texts.h"

#include "platform/codepage.h"
#include "platform/date_time.h"

namespace lyr {

std::string DateTimeText(double time) {
    return LocaleToAnsi(FormatLocalDateTime(time).value_or(""));
}

std::string FromPanelCaption(const TMsgData& record) {
    return Utf8ToAnsi("От: ") + record.FromName.Text() + " " + DateTimeText(record.Time);
}

std::string NotificationText(const TMsgData& record) {
    return Utf8ToAnsi("Сообщение от ") + record.FromName.Text() + Utf8ToAnsi(" для ") +
           record.ToName.Text() + "\r\n" + record.Text;
}

std::string DamagedStoreText(const std::filesystem::path& file, const LoadReport& report) {
    const std::string name = Utf8ToAnsi(file.string());
    return Utf8ToAnsi("Файл сообщений ") + name +
           Utf8ToAnsi(" повреждён.\r\nПрочитано сообщений: ") + std::to_string(report.loaded) +
           Utf8ToAnsi(", пропущено байт в конце файла: ") + std::to_string(report.skipped_bytes) +
           Utf8ToAnsi(".\r\nПрежний файл сохранён как ") + name + ".bad";
}

std::string UnreadableStoreText(const std::filesystem::path& file, const std::string& reason,
                                const std::optional<std::filesystem::path>& set_aside) {
    std::string text = Utf8ToAnsi("Файл сообщений ") + Utf8ToAnsi(file.string()) +
                       Utf8ToAnsi(" не читается:\r\n") + Utf8ToAnsi(reason) + "\r\n";
    if (set_aside) {
        return text + Utf8ToAnsi("Он перенесён в ") + Utf8ToAnsi(set_aside->string()) +
               Utf8ToAnsi(", новые сообщения сохраняются в новый файл.");
    }
    return text + Utf8ToAnsi(
                      "Его не удалось перенести: сообщения этого сеанса не будут "
                      "сохранены на диске.");
}

std::string DamagedUsersFileText(const std::filesystem::path& file,
                                 const std::filesystem::path& copy) {
    return Utf8ToAnsi("Файл списка пользователей ") + Utf8ToAnsi(file.string()) +
           Utf8ToAnsi(" повреждён, список будет составлен заново.\r\nПрежний файл сохранён как ") +
           Utf8ToAnsi(copy.string());
}

std::string UnreadableStartUpFileText(const std::string& error) {
    return Utf8ToAnsi("Не удалось прочитать файл при запуске:\r\n") + Utf8ToAnsi(error) +
           Utf8ToAnsi("\r\nПрограмма работает без его данных.");
}

}  // namespace lyr
