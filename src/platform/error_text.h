#pragma once

#include <string>

namespace vz::platform {

/// A system error number as the cause of a report, in Japanese, with the error's name for a
/// search: "ディスクの空きがありません（ENOSPC）". UTF-8.
std::string errnoText(int error);

/// A libcurl result code as the cause of a failed download, in Japanese: "時間切れです（28）".
/// UTF-8.
std::string curlErrorText(int code);

/// "HTTP ステータス 404（見つかりません）": the status with its meaning where it is a common one.
std::string httpStatusText(long status);

} // namespace vz::platform
