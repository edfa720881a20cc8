#pragma once
// Texts that the device operations show to the user (UTF-8).

namespace kemlog::device {

// The one message for a watch that cannot be reached or stopped answering.
inline constexpr const char* kConnectionMessage = "端末とUSBの接続を確認してください";
// The popup's text while the log download starts; "履歷%d" names the log being fetched.
inline constexpr const char* kHistoryMessage = "履歷";
inline constexpr const char* kHistoryLogMessage = "履歷%d";

}  // namespace kemlog::device
