// The Import and Edit pages' previews driven by object names on the test
// DVD: the play state machine, the trim rules and the position bar, the
// adjustments and crop reaching the picture and every row, and snapshots.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <filesystem>

#include "MainWindowCase.h"
#include "sources/PreviewEngine.h"
#include "ui/ClipTrackBar.h"
#include "ui/EditPage.h"
#include "ui/ImportPage.h"
#include "ui/MainWindow.h"
#include "ui/PreviewSession.h"
#include "ui/SpinEdit.h"
#include "ui/VideoView.h"

using namespace reelcast;
using namespace reelcast::test;
using namespace reelcast::ui;
namespace fs = std::filesystem;

class PreviewPagesTest : public QObject, TMainWindowCase {
  Q_OBJECT

  TTaskRow* Title(int n) { return window_->Workspace().List().Titles().at(n); }
  TImportPage* Import() { return window_->ImportPage(); }
  TEditPage* Edit() { return window_->EditPage(); }
  TClipTrackBar* Track() { return W<TClipTrackBar>("VCTrack"); }

  // The frame number burnt into the picture a view shows (-1 when none).
  static int ShownFrame(TVideoView* view) {
    QImage picture = view->Picture().convertToFormat(QImage::Format_RGB888);
    if (picture.isNull()) return -1;
    std::vector<uint8_t> rgb(static_cast<size_t>(picture.width()) * picture.height() * 3);
    for (int y = 0; y < picture.height(); ++y)
      memcpy(&rgb[static_cast<size_t>(y) * picture.width() * 3], picture.constScanLine(y), picture.width() * 3);
    return FixtureFrameNumber(rgb.data(), picture.width());
  }

  // A press and release on a handle or the thumb of the position bar,
  // moved by dx pixels in between.
  static void DragOn(TClipTrackBar* bar, QPoint from, int dx) {
    QTest::mousePress(bar, Qt::LeftButton, {}, from);
    for (int i = 1; i <= 6; ++i) QTest::mouseMove(bar, from + QPoint(dx * i / 6, 0));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, from + QPoint(dx, 0));
  }

 private slots:
  void init() { Open(); }
  void cleanup() { Close(); }

  void importPlayStateFollowsTheButtonsAndTheSelection() {
    QCOMPARE(Import()->PlayState(), psNoSource);
    QVERIFY(!W("btnPlay")->isEnabled());
    LoadDvd();
    window_->Workspace().Select(Title(0));
    QCOMPARE(Import()->PlayState(), psStopped);
    QVERIFY(W("btnPlay")->isEnabled());
    QCOMPARE(Track()->Max(), 12);
    QCOMPARE(Track()->SegmentEndPos(), 12);
    QCOMPARE(W<QLabel>("lblLength")->text(), QStringLiteral("00:00:12"));

    QTest::mouseClick(W<QAbstractButton>("btnPlay"), Qt::LeftButton);
    QCOMPARE(Import()->PlayState(), psPlaying);
    QVERIFY(W("btnPause")->isVisible());
    QVERIFY(!W("btnPlay")->isVisible());
    auto* view = W<TVideoView>("pnlPreview");
    QVERIFY(WaitFor([&] { return ShownFrame(view) >= 0; }));
    QVERIFY(WaitFor([&] { return Track()->Position() >= 1; }));  // ticks move the thumb

    QTest::mouseClick(W<QAbstractButton>("btnPause"), Qt::LeftButton);
    QCOMPARE(Import()->PlayState(), psPaused);
    QVERIFY(W("btnPlay")->isVisible());
    QTest::mouseClick(W<QAbstractButton>("btnPlay"), Qt::LeftButton);
    QCOMPARE(Import()->PlayState(), psPlaying);

    // A thumb press pauses; the release seeks there and plays on.
    const QPoint thumb(Track()->ThumbLeft() + 9, 9);
    QTest::mousePress(Track(), Qt::LeftButton, {}, thumb);
    QCOMPARE(Import()->PlayState(), psPaused);
    const int to = Track()->ThumbLeft() + 9 + static_cast<int>(8 * Track()->Scale()) - thumb.x();
    for (int i = 1; i <= 4; ++i) QTest::mouseMove(Track(), thumb + QPoint(to * i / 4, 0));
    const int target = Track()->Position();
    QTest::mouseRelease(Track(), Qt::LeftButton, {}, thumb + QPoint(to, 0));
    QCOMPARE(Import()->PlayState(), psPlaying);
    QVERIFY(WaitFor([&] { return ShownFrame(view) >= target * 25; }));

    // Another row stops the preview and frees it.
    window_->Workspace().Select(Title(2));
    QCOMPARE(Import()->PlayState(), psStopped);
    QVERIFY(!Import()->Preview().Active());
    QCOMPARE(Track()->Max(), 6);
    window_->Workspace().Select(window_->Workspace().List().Root());
    QCOMPARE(Import()->PlayState(), psNoSource);
    QVERIFY(!W("btnPlay")->isEnabled());
    QVERIFY(!Track()->isEnabled());
  }

  void aRangePlayedToItsEndStopsAndReturnsTheThumb() {
    LoadDvd();
    TTaskRow* chapter = Title(0)->Children.at(1).get();  // 4 s .. 8 s
    window_->Workspace().Select(chapter);
    W<QCheckBox>("cbTrim")->click();
    auto* end = W<TSpinEdit>("sedend");
    end->setValue(2);
    emit end->exited();
    QCOMPARE(chapter->Task.TrimEnd, 2.0);
    QTest::mouseClick(W<QAbstractButton>("btnPlay"), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return Import()->PlayState() == psStopped; }));
    QVERIFY(!Import()->Preview().Active());
    QCOMPARE(Track()->Position(), 0);
    QVERIFY(W("btnPlay")->isEnabled());
    QVERIFY(!W("btnPause")->isVisible());
  }

  void trimRulesKeepOneSecondAndShareASingleChapter() {
    LoadDvd();
    window_->Workspace().Select(Title(0));
    auto* start = W<TSpinEdit>("sedStart");
    auto* end = W<TSpinEdit>("sedend");
    QVERIFY(!start->isEnabled());
    W<QCheckBox>("cbTrim")->click();
    QVERIFY(start->isEnabled() && end->isEnabled());

    end->setValue(5);
    emit end->exited();
    QCOMPARE(Track()->SegmentEndPos(), 5);
    QCOMPARE(W<QLabel>("lblEnd")->text(), QStringLiteral("00:00:05"));
    start->setValue(4);
    emit start->exited();
    QCOMPARE(Title(0)->Task.TrimStart, 4.0);
    QCOMPARE(W<QLineEdit>("edtLength")->text(), QStringLiteral("1"));
    start->stepBy(1);  // up to the end: refused
    QCOMPARE(start->value(), 4);
    end->stepBy(-1);  // down to the start: refused
    QCOMPARE(end->value(), 5);

    // A start typed at the end or beyond stops the preview and becomes 0.
    QTest::mouseClick(W<QAbstractButton>("btnPlay"), Qt::LeftButton);
    QCOMPARE(Import()->PlayState(), psPlaying);
    start->setValue(7);
    emit start->exited();
    QCOMPARE(start->value(), 0);
    QCOMPARE(Track()->SegmentStatPos(), 0);
    QCOMPARE(Import()->PlayState(), psStopped);
    // An end at or below the start becomes the bar's maximum.
    start->setValue(3);
    emit start->exited();
    end->setValue(2);
    emit end->exited();
    QCOMPARE(Track()->SegmentEndPos(), 12);

    // A title of one chapter and its chapter share the range, both ways.
    TTaskRow* single = Title(1);
    TTaskRow* only = single->Children.at(0).get();
    window_->Workspace().Select(single);
    end->setValue(1);
    emit end->exited();
    QCOMPARE(only->Task.TrimEnd, 1.0);
    window_->Workspace().Select(only);
    end->setValue(2);
    emit end->exited();
    QCOMPARE(single->Task.TrimEnd, 2.0);
  }

  void draggingTheEndHandleOfAPlayingPreviewPlaysOnAfterTheCut() {
    LoadDvd();
    window_->Workspace().Select(Title(0));
    Title(0)->Task.TrimEnd = 6;
    window_->Workspace().Select(Title(2));
    window_->Workspace().Select(Title(0));
    QCOMPARE(Track()->SegmentEndPos(), 6);
    QTest::mouseClick(W<QAbstractButton>("btnPlay"), Qt::LeftButton);
    auto* view = W<TVideoView>("pnlPreview");
    QVERIFY(WaitFor([&] { return ShownFrame(view) >= 0; }));
    // The end handle to 8: the range is cut there and play goes on from 8.
    const QPoint handle(Track()->EndLeft() + 4, 18 + 6);
    DragOn(Track(), handle, static_cast<int>(2 * Track()->Scale()));
    QCOMPARE(Track()->SegmentEndPos(), 8);
    QCOMPARE(Title(0)->Task.TrimEnd, 8.0);
    QCOMPARE(Import()->PlayState(), psPlaying);
    QVERIFY(WaitFor([&] { return ShownFrame(view) >= 8 * 25; }));
    QVERIFY(WaitFor([&] { return Track()->Position() >= 9; }));
    // To the bar's end: the preview stops.
    const QPoint again(Track()->EndLeft() + 4, 18 + 6);
    DragOn(Track(), again, Track()->width());
    QCOMPARE(Track()->SegmentEndPos(), 12);
    QCOMPARE(Import()->PlayState(), psStopped);
  }

  void editPageAdjustsCropsAndStoresIntoEveryRow() {
    LoadDvd();
    window_->Workspace().Select(Title(0));
    window_->SwitchStage(stEdit);
    auto* view = W<TVideoView>("pnlCut");
    QVERIFY(WaitFor([&] { return Edit()->PlayState() == psPlaying && !view->Picture().isNull(); }));
    QCOMPARE(Edit()->PictureWidth(), 720);
    QCOMPARE(W<TSpinEdit>("sedtLeft")->maximum(), 670);
    QCOMPARE(W<TSpinEdit>("sedtBottom")->maximum(), 526);
    QVERIFY(view->CropFrameShown());
    QVERIFY(W("btnPhoto")->isEnabled());

    QTest::mouseClick(W<QAbstractButton>("btnEPause"), Qt::LeftButton);
    QCOMPARE(Edit()->PlayState(), psPaused);
    // Negative: the redrawn paused picture is the inverse of the plain one.
    const QImage plain = view->Picture();
    W<QComboBox>("cbEffect")->setCurrentIndex(3);
    QVERIFY(WaitFor([&] {
      const QImage now = view->Picture();
      const QColor a = plain.pixelColor(360, 400), b = now.pixelColor(360, 400);
      return std::abs(a.red() + b.red() - 255) < 24 && std::abs(a.green() + b.green() - 255) < 24;
    }));

    // The crop spin edits refuse an increase that would keep less than 50 pixels.
    auto* left = W<TSpinEdit>("sedtLeft");
    auto* right = W<TSpinEdit>("sedtRight");
    left->setValue(600);
    right->setValue(71);
    left->stepBy(1);
    QCOMPARE(left->value(), 600);
    left->stepBy(-1);
    QCOMPARE(left->value(), 599);
    left->setValue(0);
    right->setValue(0);
    // A spin step sets the frame; a drag of the frame comes back into the spin edits.
    W<TSpinEdit>("sedtTop")->stepBy(10);
    QCOMPARE(view->CropFrame(), (TCropRect{0, 10, 720, 576}));
    const QRectF picture = view->PictureRect();
    const QPoint corner = picture.topLeft().toPoint() + QPoint(1, 1);
    const QPoint inward = corner + QPoint(static_cast<int>(picture.width() / 10), 0);
    QTest::mousePress(view, Qt::LeftButton, {}, corner + QPoint(0, static_cast<int>(picture.height() / 2)));
    QTest::mouseMove(view, inward + QPoint(0, static_cast<int>(picture.height() / 2)));
    QTest::mouseRelease(view, Qt::LeftButton, {}, inward + QPoint(0, static_cast<int>(picture.height() / 2)));
    QVERIFY(WaitFor([&] { return left->value() > 60; }));
    QCOMPARE(left->value(), view->CropFrame().Left);
    QCOMPARE(W<TSpinEdit>("sedtTop")->value(), 10);

    // Leaving the page stores the values into every row; Old Film comes back.
    auto* volume = W<TClipTrackBar>("tbVolume");
    volume->SetPosition(150);
    emit volume->OnChange();
    W<QComboBox>("cbEffect")->setCurrentIndex(4);
    const int kept = left->value();
    window_->SwitchStage(stEncoder);
    QVERIFY(!Edit()->Preview().Active());
    for (TTaskRow* row : window_->Workspace().TaskRows()) {
      QCOMPARE(row->Task.Volume, 150);
      QCOMPARE(row->Task.EffectFlags, uint32_t{kEffectOldFilm});
      QCOMPARE(row->Task.Crop, (TCropRect{kept, 10, 720, 576}));
    }
    W<QComboBox>("cbEffect")->setCurrentIndex(0);
    window_->SwitchStage(stImport);
    window_->Workspace().Select(Title(1));
    window_->SwitchStage(stEdit);
    QCOMPARE(W<QComboBox>("cbEffect")->currentIndex(), 4);
    // A stored value of no item leaves the choice.
    window_->SwitchStage(stImport);
    Title(2)->Task.EffectFlags = 8;
    window_->Workspace().Select(Title(2));
    window_->SwitchStage(stEdit);
    QCOMPARE(W<QComboBox>("cbEffect")->currentIndex(), 4);
  }

  void snapshotsAreNumberedByTheRowsDestinationName() {
    LoadDvd();
    window_->Workspace().Select(Title(0));
    window_->SwitchStage(stEdit);
    QVERIFY(WaitFor([&] { return Edit()->PlayState() == psPlaying && !W<TVideoView>("pnlCut")->Picture().isNull(); }));
    TempDir folder("reelcast-snapshots");
    auto* box = W<QLineEdit>("ebtnPhotoFolder");
    box->setText(QString::fromStdString((folder.Path() / "shots").string()));
    fs::create_directories(folder.Path() / "shots");
    WriteFile(folder.Path() / "shots" / "Title_0101_1.jpg", "");
    QTest::mouseClick(W<QAbstractButton>("btnPhoto"), Qt::LeftButton);
    QCOMPARE(QFileInfo(Edit()->LastSnapshot()).fileName(), QStringLiteral("Title_0101_2.bmp"));
    W<QRadioButton>("rdPhoJPEG")->setChecked(true);
    QTest::mouseClick(W<QAbstractButton>("btnPhoto"), Qt::LeftButton);
    QCOMPARE(QFileInfo(Edit()->LastSnapshot()).fileName(), QStringLiteral("Title_0101_3.jpg"));
    QImage written(Edit()->LastSnapshot());
    QCOMPARE(written.size(), QSize(720, 576));
    // The format and the folder are kept for the next visit.
    window_->SwitchStage(stImport);
    window_->SwitchStage(stEdit);
    QVERIFY(W<QRadioButton>("rdPhoJPEG")->isChecked());
    QVERIFY(box->text().endsWith(QStringLiteral("shots/")));
  }

  void aMissingOrUnreadableSourceStartsNoPreview() {
    TempDir copy("reelcast-broken-dvd");
    fs::copy(DvdFixture(), copy.Path(), fs::copy_options::recursive);
    dialogs_->Paths.push_back(QString::fromStdString(copy.Path().string()));
    QTest::mouseClick(W<QAbstractButton>("btnOpen"), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return !window_->Workspace().Loading() && window_->Workspace().DvdLoaded(); }));
    window_->Workspace().Select(Title(2));
    // The title set's VOB gone after loading: the decoder cannot be made.
    fs::remove(copy.Path() / "VIDEO_TS" / "VTS_02_1.VOB");
    QTest::mouseClick(W<QAbstractButton>("btnPlay"), Qt::LeftButton);
    QCOMPARE(dialogs_->Texts(TDialogKind::Information), QStringList({"Failed to create decoder."}));
    QCOMPARE(Import()->PlayState(), psStopped);
    QVERIFY(!Import()->Preview().Active());
  }
};

REELCAST_GUI_TEST_MAIN(PreviewPagesTest)
#include "PreviewPages_gui_test.moc"
