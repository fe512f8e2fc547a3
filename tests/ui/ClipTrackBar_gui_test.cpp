// The clip track bar driven by the mouse: its geometry (halves to even),
// the setters' rules, the events in their order, and the drag limits of the
// thumb and the two segment handles.
#include <QSignalSpy>

#include "GuiTest.h"
#include "ui/ClipTrackBar.h"

using namespace reelcast::test;
using namespace reelcast::ui;

class ClipTrackBarTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TClipTrackBar> bar_;
  QStringList events_;

  // The skin's pictures (thumb 18 wide, handles 9 wide) on a bar whose track
  // spans 200 pixels: m = 9.
  void Make(int max, int width = 218) {
    bar_ = std::make_unique<TClipTrackBar>();
    bar_->UseSkin();
    bar_->resize(width, bar_->height());
    bar_->show();
    QVERIFY(QTest::qWaitForWindowExposed(bar_.get()));
    bar_->SetMin(0);
    bar_->SetMax(max);
    events_.clear();
    auto record = [this](const char* name) { return [this, name] { events_ << name; }; };
    connect(bar_.get(), &TClipTrackBar::OnChange, this, record("Change"));
    connect(bar_.get(), &TClipTrackBar::OnStartSegmentChange, this, record("StartSegmentChange"));
    connect(bar_.get(), &TClipTrackBar::OnEndSegmentChange, this, record("EndSegmentChange"));
    connect(bar_.get(), &TClipTrackBar::OnTrackDown, this, record("TrackDown"));
    connect(bar_.get(), &TClipTrackBar::OnTrackUp, this, record("TrackUp"));
    connect(bar_.get(), &TClipTrackBar::OnBodyBarDown, this, record("BodyBarDown"));
    connect(bar_.get(), &TClipTrackBar::OnBodyBayUp, this, record("BodyBayUp"));
    connect(bar_.get(), &TClipTrackBar::OnSegDown, this,
            [this](TClipTrackBar::BUTTONTYPE b) { events_ << QStringLiteral("SegDown%1").arg(int(b)); });
    connect(bar_.get(), &TClipTrackBar::OnSegUp, this,
            [this](TClipTrackBar::BUTTONTYPE b) { events_ << QStringLiteral("SegUp%1").arg(int(b)); });
  }

  QPoint Thumb() const { return {bar_->ThumbLeft() + 9, 9}; }
  QPoint Handle(int left) const { return {left + 4, 18 + 5}; }

  void Drag(QPoint from, QPoint to) {
    QTest::mousePress(bar_.get(), Qt::LeftButton, {}, from);
    for (int i = 1; i <= 8; ++i) QTest::mouseMove(bar_.get(), from + (to - from) * i / 8);
    QTest::mouseRelease(bar_.get(), Qt::LeftButton, {}, to);
  }

 private slots:
  void cleanup() { bar_.reset(); }

  void geometryRoundsHalvesToEven() {
    Make(80);  // s = 200 / 80 = 2.5
    QCOMPARE(bar_->TrackMargin(), 9);
    QCOMPARE(bar_->Scale(), 2.5);
    struct Case {
      int position, thumbLeft;
    } cases[] = {{0, 0}, {1, 2}, {3, 8}, {5, 12}, {80, 200}};  // 2.5 -> 2, 7.5 -> 8, 12.5 -> 12
    for (const auto& c : cases) {
      bar_->SetPosition(c.position);
      QCOMPARE(bar_->ThumbLeft(), c.thumbLeft);
    }
    bar_->SetSegmentStatPos(3);  // 7.5 + 9 - 9
    QCOMPARE(bar_->StartLeft(), 8);
    bar_->SetSegmentEndPos(77);  // 192.5 + 9
    QCOMPARE(bar_->EndLeft(), 202);
  }

  void settersKeepTheirRulesAndFireNothing() {
    Make(50);
    bar_->SetMax(0);  // Max := Min
    QCOMPARE(bar_->Max(), 1);
    QCOMPARE(bar_->SegmentEndPos(), 1);
    bar_->SetMax(60);
    bar_->SetMin(60);  // Min := Max
    QCOMPARE(bar_->Min(), 59);
    bar_->SetMin(0);
    QCOMPARE(bar_->ScaleMax(), 60);
    bar_->SetPosition(99);
    QCOMPARE(bar_->Position(), 60);
    bar_->SetPosition(-5);
    QCOMPARE(bar_->Position(), 0);
    bar_->SetSegmentStatPos(10);
    bar_->SetSegmentEndPos(10);  // not above the start: ignored
    QCOMPARE(bar_->SegmentEndPos(), 60);
    bar_->SetSegmentEndPos(20);
    bar_->SetSegmentStatPos(20);  // not below the end: ignored
    QCOMPARE(bar_->SegmentStatPos(), 10);
    bar_->SetScaleMax(61);  // above Max: ignored
    QCOMPARE(bar_->ScaleMax(), 60);
    QVERIFY(events_.isEmpty());
  }

  void dragsFireTheirEventsInOrder() {
    Make(100);  // s = 2
    bar_->SetPosition(50);
    Drag(Thumb(), Thumb() + QPoint(20, 0));
    QCOMPARE(bar_->Position(), 60);
    QCOMPARE(events_.first(), QStringLiteral("TrackDown"));
    QCOMPARE(events_.last(), QStringLiteral("TrackUp"));
    QVERIFY(events_.mid(1, events_.size() - 2).count(QStringLiteral("Change")) == events_.size() - 2);

    events_.clear();
    Drag(Handle(bar_->StartLeft()), Handle(bar_->StartLeft()) + QPoint(40, 0));
    QCOMPARE(bar_->SegmentStatPos(), 20);
    QCOMPARE(bar_->Position(), 20);  // the thumb follows the handle
    QCOMPARE(events_.mid(0, 3), QStringList({"SegDown1", "StartSegmentChange", "Change"}));
    QCOMPARE(events_.last(), QStringLiteral("SegUp1"));

    events_.clear();
    QTest::mouseClick(bar_.get(), Qt::LeftButton, {}, QPoint(150, 9 + 0));  // the track body, off the thumb
    QCOMPARE(events_, QStringList({"Change", "BodyBarDown", "BodyBayUp"}));
    QCOMPARE(bar_->Position(), 75);  // round((9 + 150 - 9) / 2)
  }

  void handlesStopOneUnitApart() {
    Make(100);
    bar_->SetSegmentStatPos(30);
    bar_->SetSegmentEndPos(40);
    Drag(Handle(bar_->StartLeft()), Handle(bar_->StartLeft()) + QPoint(150, 0));
    QCOMPARE(bar_->SegmentStatPos(), 39);
    Drag(Handle(bar_->EndLeft()), Handle(bar_->EndLeft()) - QPoint(150, 0));
    QCOMPARE(bar_->SegmentEndPos(), 40);
    QCOMPARE(bar_->SegmentStatPos(), 39);
    // With SegCanDrag off the handles stay where they are.
    bar_->SetSegCanDrag(false);
    Drag(Handle(bar_->EndLeft()), Handle(bar_->EndLeft()) + QPoint(60, 0));
    QCOMPARE(bar_->SegmentEndPos(), 40);
  }

  void limitMovSegKeepsTheDraggedThumbInsideTheSegment() {
    Make(100);
    bar_->SetSegmentStatPos(20);
    bar_->SetSegmentEndPos(40);
    bar_->SetLimitMovSeg(true);
    bar_->SetPosition(30);
    Drag(Thumb(), Thumb() + QPoint(100, 0));
    QCOMPARE(bar_->Position(), 40);
    Drag(Thumb(), Thumb() - QPoint(100, 0));
    QCOMPARE(bar_->Position(), 20);
    // A body click is not limited by the segment.
    QTest::mouseClick(bar_.get(), Qt::LeftButton, {}, QPoint(180, 9));
    QCOMPARE(bar_->Position(), 90);
  }

  void drawsNothingWithoutThumbOrTrack() {
    TClipTrackBar bare;
    bare.SetBackColor(Qt::red);
    bare.resize(100, 20);
    QImage shot(bare.size(), QImage::Format_ARGB32);
    shot.fill(Qt::green);
    bare.render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
    QCOMPARE(shot.pixelColor(50, 10), QColor(Qt::green));
    // With the skin the thumb shows, and the key colour lets the background through.
    Make(10, 118);
    QImage skinned(bar_->size(), QImage::Format_ARGB32);
    skinned.fill(Qt::green);
    bar_->render(&skinned, QPoint(), QRegion(), QWidget::DrawChildren);
    QCOMPARE(skinned.pixelColor(bar_->ThumbLeft() + 9, 9), QColor(Qt::white));
    QCOMPARE(skinned.pixelColor(60, 0), QColor(Qt::green));
  }
};

REELCAST_GUI_TEST_MAIN(ClipTrackBarTest)
#include "ClipTrackBar_gui_test.moc"
