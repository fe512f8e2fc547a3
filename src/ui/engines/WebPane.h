// The module's web view: a QWebEngineView and its page in one off-the-record
// profile shared by every view, and the hidden page that keeps the engine
// started.
#pragma once

#include <memory>

#include "ui/Engines.h"

namespace reelcast::ui {

std::unique_ptr<TWebPane> MakeWebEnginePane(QWidget* parent, TWebPane::TCallbacks callbacks);
void WarmUpWebEngine(const QUrl& url, const QString& script);

}  // namespace reelcast::ui
