#include "platform/headless/recording_webview.h"

namespace kemlog::platform::headless {

void RecordingWebView::LoadHtml(std::string_view html, std::string_view baseUrl) {
  loads_.push_back({std::string(html), std::string(baseUrl)});
  documentExists_ = !loadsPending_;
}

void RecordingWebView::RunScript(std::string_view text) { calls_.emplace_back(text); }

}  // namespace kemlog::platform::headless
