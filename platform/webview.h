#pragma once
// An embedded web page: load a document from HTML text and run script calls in it.

#include <string_view>

namespace kemlog::platform {

class WebView {
 public:
  virtual ~WebView() = default;

  // Replaces the shown document with `html` (UTF-8 text without byte order mark). Relative addresses
  // in the document resolve against `baseUrl`. The document may come into existence later, once the
  // view has parsed it.
  virtual void LoadHtml(std::string_view html, std::string_view baseUrl) = 0;

  // Whether the view holds a document that can run script calls.
  virtual bool HasDocument() const = 0;

  // Runs one call text as JavaScript in the document's window; its result and errors are not
  // reported.
  virtual void RunScript(std::string_view text) = 0;
};

}  // namespace kemlog::platform
