#pragma once

#include <filesystem>
#include <string>

#include "messaging/msg_store.h"

namespace lyr {

// The texts the main window shows about stored messages, in the ANSI code page.

// A record's time as the locale writes a short date and a long time; empty for a time that
// names no day (a damaged file's garbage).
std::string DateTimeText(double time);

// FromPanel's caption: "От: <FromName> <time>".
std::string FromPanelCaption(const TMsgData& record);

// The notification of a received message: "Сообщение от <FromName> для <ToName>\r\n<Text>".
std::string NotificationText(const TMsgData& record);

// The box shown when a store's file was damaged at start: which file, how many messages could
// be read, how much was skipped, and where the original is kept.
std::string DamagedStoreText(const std::filesystem::path& file, const LoadReport& report);

}  // namespace lyr
