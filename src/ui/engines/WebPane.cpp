#include "ui/engines/WebPane.h"

#include <QCoreApplication>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace reelcast::ui {
namespace {

// A page that reports its console lines and asks before it navigates.
class TCallbackPage : public QWebEnginePage {
 public:
  TCallbackPage(QWebEngineProfile* profile, QObject* parent, TWebPane::TCallbacks callbacks)
      : QWebEnginePage(profile, parent), callbacks_(std::move(callbacks)) {
    connect(this, &QWebEnginePage::loadFinished, this, [this](bool ok) {
      if (callbacks_.LoadFinished) callbacks_.LoadFinished(ok);
    });
  }

 protected:
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                const QString&) override {
    if (callbacks_.ConsoleMessage) callbacks_.ConsoleMessage(message);
  }
  bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
    return !isMainFrame || !callbacks_.AcceptNavigation || callbacks_.AcceptNavigation(url);
  }
  QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

 private:
  TWebPane::TCallbacks callbacks_;
};

// One off-the-record profile for every view: nothing is kept on disk.
QWebEngineProfile* SharedProfile() {
  static QWebEngineProfile* profile = [] {
    auto* p = new QWebEngineProfile(qApp);
    // Movies are served no-store; only the player's own files are cached, in
    // memory, so that a second view neither fetches nor compiles them again.
    p->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    p->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    p->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    p->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    return p;
  }();
  return profile;
}

class TWebEnginePane : public TWebPane {
 public:
  TWebEnginePane(QWidget* parent, TCallbacks callbacks)
      : view_(new QWebEngineView(parent)), page_(new TCallbackPage(SharedProfile(), parent, std::move(callbacks))) {
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    view_->setPage(page_);
  }
  QWidget* Widget() override { return view_; }
  void SetBackground(const QColor& color) override { page_->setBackgroundColor(color); }
  void Load(const QUrl& url) override { view_->load(url); }
  void RunJavaScript(const QString& script, std::function<void(const QVariant&)> done) override {
    page_->runJavaScript(script, [done](const QVariant& v) {
      if (done) done(v);
    });
  }

 private:
  QWebEngineView* view_;
  QWebEnginePage* page_;
};

}  // namespace

std::unique_ptr<TWebPane> MakeWebEnginePane(QWidget* parent, TWebPane::TCallbacks callbacks) {
  return std::make_unique<TWebEnginePane>(parent, std::move(callbacks));
}

void WarmUpWebEngine(const QUrl& url, const QString& script) {
  static QWebEnginePage* page = nullptr;
  if (page) return;
  // Without a view the page still starts the engine and its renderer, and
  // what its script fetches lands in the profile's memory cache.
  page = new QWebEnginePage(SharedProfile(), qApp);
  QObject::connect(page, &QWebEnginePage::loadFinished, page, [script](bool ok) {
    if (ok && !script.isEmpty()) page->runJavaScript(script);
  });
  page->load(url);
}

}  // namespace reelcast::ui
