// The source list's messages while a command loads a DVD folder, held until
// the command knows what it does with them: a command that refuses a title
// whose VOB files are damaged says so in its own line, and the loader's
// note naming the same file is then dropped, so the user reads it once.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "sources/TaskList.h"

namespace reelcast::cli {

class THeldMessages {
 public:
  using TShow = std::function<void(const std::string& text, const std::string& caption)>;
  explicit THeldMessages(TShow show) : show_(std::move(show)) {}

  // A host for the list whose messages wait here.
  TTaskList::THost Host() {
    TTaskList::THost host;
    host.ShowMessage = [this](const std::string& text, const std::string& caption) {
      held_.emplace_back(text, caption);
    };
    return host;
  }
  // Shows what is held, in order.
  void Show() {
    for (const auto& [text, caption] : held_) show_(text, caption);
    held_.clear();
  }
  void Drop() { held_.clear(); }

 private:
  TShow show_;
  std::vector<std::pair<std::string, std::string>> held_;
};

}  // namespace reelcast::cli
