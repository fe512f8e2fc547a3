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

#include "ui/Engines.h"

namespace reelcast::ui {

namespace {

QString JsString(const QString& text) {
  // A JSON array of one string is valid script; strip the brackets.
  const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
  return QString::fromUtf8(json.mid(1, json.size() - 2));
}

constexpr char kShownMessage[] = "reelcast:shown ";

}  // namespace


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

bool FlashView::Available() { return Engines() != nullptr; }

FlashView::FlashView(QWidget* parent) : QWidget(parent) {
  setContextMenuPolicy(Qt::NoContextMenu);
  setMinimumSize(16, 16);
}

void FlashView::StartEngine() {
  if (pane_) return;
  const TEngines* engines = Engines();
  if (!engines) return;
  TWebPane::TCallbacks callbacks;
  callbacks.ConsoleMessage = [this](const QString& message) { OnPageMessage(message); };
  callbacks.LoadFinished = [this](bool ok) { OnPageReady(ok); };
  // Links a movie opens never navigate the preview away from its player.
  callbacks.AcceptNavigation = [](const QUrl& url) {
    return url.toString().startsWith(FlashServer::Instance().BaseUrl());
  };
  pane_ = engines->MakeWebPane(this, std::move(callbacks));
  pane_->SetBackground(background_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(pane_->Widget());
  WatchChildren(pane_->Widget());
  pane_->Load(QUrl(FlashServer::Instance().PlayerPageUrl()));
}

void FlashView::WarmUp(const QString& movie) {
  const TEngines* engines = Engines();
  if (!engines) return;
  FlashServer& server = FlashServer::Instance();
  const QString url = QFileInfo(movie).isFile() ? server.MovieUrl(movie) : QString();
  engines->WarmUpWeb(QUrl(server.PlayerPageUrl()), "reelcast.load(" + JsString(url) + "); reelcast.playing = false;");
}

QWidget* FlashView::WebView() const { return pane_ ? pane_->Widget() : nullptr; }

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
  if (pane_) pane_->SetBackground(background_);
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
  if (pane_) pane_->RunJavaScript(script, std::move(done));
}

void FlashView::Apply(const QString& script) {
  // Before the page is there, OnPageReady replays the whole state.
  if (pageReady_) pane_->RunJavaScript(script, {});
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
