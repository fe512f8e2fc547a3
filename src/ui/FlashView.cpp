#include "ui/FlashView.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QUrl>

#include "ui/FlashServer.h"

#if REELCAST_HAVE_WEBENGINE
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#endif

namespace reelcast::ui {

namespace {

QString JsString(const QString& text) {
  // A JSON array of one string is valid script; strip the brackets.
  const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
  return QString::fromUtf8(json.mid(1, json.size() - 2));
}

constexpr char kShownMessage[] = "reelcast:shown ";

}  // namespace

#if REELCAST_HAVE_WEBENGINE
// The player page; its console line "reelcast:shown URL" tells the view that
// a movie is showing.
class FlashPage : public QWebEnginePage {
 public:
  FlashPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}
  std::function<void(const QString&)> OnMessage;

 protected:
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                const QString&) override {
    if (OnMessage) OnMessage(message);
  }
  // Links a movie opens never navigate the preview away from its player.
  bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
    return !isMainFrame || url.toString().startsWith(FlashServer::Instance().BaseUrl());
  }
  QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
};

// One off-the-record profile for every view: nothing is kept on disk.
static QWebEngineProfile* SharedProfile() {
  static QWebEngineProfile* profile = [] {
    auto* p = new QWebEngineProfile(qApp);
    // Movies are served no-store; only Ruffle's own files are cached, in
    // memory, so that a second view neither fetches nor compiles them again.
    p->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    p->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    p->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    p->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    return p;
  }();
  return profile;
}
#else
class FlashPage {};
#endif

void FlashView::PrepareEngine() {
  QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
  // One renderer process for every view: they all show pages of the one
  // loopback server, and Ruffle's compiled code is then shared among them.
  for (const char* flag : {"--no-sandbox", "--disable-gpu", "--autoplay-policy=no-user-gesture-required",
                           "--process-per-site"}) {
    if (!flags.contains(flag)) flags += QByteArray(flags.isEmpty() ? "" : " ") + flag;
  }
  qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
  qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

bool FlashView::Available() { return REELCAST_HAVE_WEBENGINE != 0; }

FlashView::FlashView(QWidget* parent) : QWidget(parent) {
  setContextMenuPolicy(Qt::NoContextMenu);
  setMinimumSize(16, 16);
}

void FlashView::StartEngine() {
#if REELCAST_HAVE_WEBENGINE
  if (web_) return;
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  web_ = new QWebEngineView(this);
  web_->setContextMenuPolicy(Qt::NoContextMenu);
  page_ = new FlashPage(SharedProfile(), this);
  page_->OnMessage = [this](const QString& message) { OnPageMessage(message); };
  page_->setBackgroundColor(background_);
  web_->setPage(page_);
  layout->addWidget(web_);
  WatchChildren(web_);
  connect(page_, &QWebEnginePage::loadFinished, this, &FlashView::OnPageReady);
  web_->load(QUrl(FlashServer::Instance().PlayerPageUrl()));
#endif
}

void FlashView::showEvent(QShowEvent* event) {
  // The web engine and its player start when the view is first shown: a
  // window full of previews on hidden tabs costs nothing until they show.
  StartEngine();
  QWidget::showEvent(event);
}

FlashView::~FlashView() = default;

void FlashView::SetMovie(const QString& path) {
  movie_ = path;
  playing_ = true;
  // A missing file leaves the area empty, as the placeholders are meant to.
  movieUrl_ = QFileInfo(path).isFile() ? FlashServer::Instance().MovieUrl(path) : QString();
  Apply("reelcast.load(" + JsString(movieUrl_) + ")");
}

void FlashView::SetBGColor(const QString& color) {
  QString text = color.trimmed();
  if (text.startsWith('#')) text.remove(0, 1);
  bool ok = false;
  const uint rgb = text.toUInt(&ok, 16);
  if (!ok || text.size() != 6) return;
  background_ = QColor::fromRgb(QRgb(rgb));
  update();
#if REELCAST_HAVE_WEBENGINE
  if (page_) page_->setBackgroundColor(background_);
#endif
  Apply("reelcast.setBackground(" + JsString(background_.name()) + ")");
  // The player takes the colour when it loads the movie.
  if (!movieUrl_.isEmpty()) Apply("reelcast.load(" + JsString(movieUrl_) + ")");
}

void FlashView::Play() {
  playing_ = true;
  Apply("reelcast.play()");
}

void FlashView::Stop() {
  playing_ = false;
  Apply("reelcast.stop()");
}

void FlashView::StopPlay() { Stop(); }

void FlashView::RunJavaScript(const QString& script, std::function<void(const QVariant&)> done) {
#if REELCAST_HAVE_WEBENGINE
  if (!page_) return;
  page_->runJavaScript(script, [done](const QVariant& v) {
    if (done) done(v);
  });
#endif
}

void FlashView::Apply(const QString& script) {
#if REELCAST_HAVE_WEBENGINE
  // Before the page is there, OnPageReady replays the whole state.
  if (pageReady_) page_->runJavaScript(script);
#endif
}

void FlashView::OnPageReady(bool ok) {
  if (!ok || pageReady_) return;
  pageReady_ = true;
  Apply("reelcast.setBackground(" + JsString(background_.name()) + ")");
  Apply("reelcast.load(" + JsString(movieUrl_) + ")");
  if (!playing_) Apply("reelcast.stop()");
}

void FlashView::OnPageMessage(const QString& message) {
  if (!message.startsWith(kShownMessage)) return;
  if (message.mid(int(sizeof kShownMessage) - 1) == movieUrl_) emit MovieShown(movie_);
}

void FlashView::WatchChildren(QObject* object) {
  object->installEventFilter(this);
  for (QObject* child : object->children()) {
    if (child->isWidgetType()) WatchChildren(child);
  }
}

bool FlashView::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ChildAdded: {
      // The engine makes the widget that takes the input once it renders.
      QObject* child = static_cast<QChildEvent*>(event)->child();
      if (child->isWidgetType()) WatchChildren(child);
      return false;
    }
    case QEvent::ContextMenu:
      return true;
    case QEvent::MouseMove: {
      auto* e = static_cast<QMouseEvent*>(event);
      emit MouseMove(e->buttons(), e->modifiers(), mapFromGlobal(e->globalPosition().toPoint()));
      return false;
    }
    case QEvent::MouseButtonPress: {
      auto* e = static_cast<QMouseEvent*>(event);
      const QPoint pos = mapFromGlobal(e->globalPosition().toPoint());
      if (e->button() == Qt::LeftButton) {
        emit MouseDown(Qt::LeftButton, e->modifiers(), pos);
        pressed_ = true;
        return lockMouseClick_;
      }
      if (e->button() == Qt::RightButton) {
        pressed_ = true;
        return !Menu();  // the context menu is off: the movie never sees it
      }
      return false;
    }
    case QEvent::MouseButtonRelease: {
      auto* e = static_cast<QMouseEvent*>(event);
      const QPoint pos = mapFromGlobal(e->globalPosition().toPoint());
      if (e->button() == Qt::LeftButton) {
        emit MouseUp(Qt::LeftButton, e->modifiers(), pos);
        if (pressed_) emit Click();
        pressed_ = false;
        return lockMouseClick_;
      }
      if (e->button() == Qt::RightButton) {
        if (popupMenu_ && pressed_) {
          pressed_ = false;
          popupMenu_->popup(e->globalPosition().toPoint());
        }
        return lockMouseClick_;
      }
      return false;
    }
    case QEvent::MouseButtonDblClick:
      return lockMouseClick_ && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    default:
      return false;
  }
}

void FlashView::paintEvent(QPaintEvent*) {
  // Seen only without the web engine, or before it paints.
  QPainter(this).fillRect(rect(), background_);
}

}  // namespace reelcast::ui
