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

}  // namespace lyr
