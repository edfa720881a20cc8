#pragma once
// A web view that shows nothing and keeps every page load and every script call that reached it,
// for tests of the map host.

#include <string>
#include <string_view>
#include <vector>

#include "platform/webview.h"

namespace kemlog::platform::headless {

struct RecordedLoad {
  std::string html;
  std::string baseUrl;
};

class RecordingWebView : public WebView {
 public:
  // Records the load. The document then exists unless a test holds it back with SetDocumentExists.
  void LoadHtml(std::string_view html, std::string_view baseUrl) override;
  bool HasDocument() const override { return documentExists_; }
  // Records the call, whether or not a document exists.
  void RunScript(std::string_view text) override;

  // A test says whether the document exists yet (before any load it does not).
  void SetDocumentExists(bool exists) { documentExists_ = exists; }
  // When set, a load leaves the document not yet existing, as a view still parsing the page.
  void SetLoadsPending(bool pending) { loadsPending_ = pending; }

  const std::vector<RecordedLoad>& Loads() const { return loads_; }
  const std::vector<std::string>& Calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }

 private:
  std::vector<RecordedLoad> loads_;
  std::vector<std::string> calls_;
  bool documentExists_ = false;
  bool loadsPending_ = false;
};

}  // namespace kemlog::platform::headless
