// The main window driven by object names: stage switching and the left
// page's settings reaching every row, the task list's texts and check
// rules, and each refusal of Convert with its exact text.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTreeView>
#include <filesystem>

#include "MainWindowCase.h"
#include "convert/JobRecord.h"
#include "ui/ConverterWindow.h"
#include "ui/MainWindow.h"
#include "ui/TaskTree.h"

using namespace reelcast;
using namespace reelcast::test;
using namespace reelcast::ui;
namespace fs = std::filesystem;

class MainWindowTest : public QObject, TMainWindowCase {
  Q_OBJECT

  TTaskRow* Title(int n) { return window_->Workspace().List().Titles().at(n); }
  QTreeView* Tree() { return Find<QTreeView>(window_.get(), "vst"); }

  // A click (press and release) on a row of the list at viewport x.
  void ClickRow(TTaskRow* row, int x) {
    auto* view = static_cast<TTaskTreeView*>(Tree());
    QModelIndex index = view->TaskModel()->IndexOf(row);
    view->scrollTo(index);
    QRect rect = view->visualRect(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(x, rect.center().y()));
  }

  // The Publish page's output box set to a file in folder.
  void SetOutput(const QString& path, const char* kind = "rbSWF") {
    window_->SwitchStage(stPublish);
    Find<QRadioButton>(window_.get(), kind)->setChecked(true);
    Find<QLineEdit>(window_.get(), "beOutDir")->setText(path);
  }

 private slots:
  void init() { Open(); }
  void cleanup() { Close(); }

  void startsOnTheImportPageWithTheStageButtons() {
    auto* pages = Find<QStackedWidget>(window_.get(), "pgcMain");
    QCOMPARE(pages->currentIndex(), 0);
    const char* names[] = {"btnSelect", "btnEffect", "btnEncoder", "btnTemplate", "btnPublish"};
    for (int i = 0; i < 5; ++i) {
      auto* button = Find<QAbstractButton>(window_.get(), names[i]);
      QCOMPARE(button->property("Tag").toInt(), i);
      QCOMPARE(button->isChecked(), i == 0);
    }
    QVERIFY(!Find<QWidget>(window_.get(), "cboAudio")->isEnabled());
    QCOMPARE(SWFParam.Template.Kind, 2);
    QCOMPARE(SWFParam.Template.Name, std::string("Classic Gray"));
  }

  void dvdFolderLoadsBehindABusyBarAndKeepsOrEmptiesTheListOnErrors() {
    // The click returns before the disc is read; the window shows the load
    // and holds the folder button and Convert until it ends.
    dialogs_->Paths.push_back(QString::fromStdString(DvdFixture().string()));
    QTest::mouseClick(Find<QAbstractButton>(window_.get(), "btnOpen"), Qt::LeftButton);
    QVERIFY(window_->Workspace().Loading());
    QVERIFY(Find<QWidget>(window_.get(), "pbLoading")->isVisible());
    QVERIFY(!Find<QWidget>(window_.get(), "btnOpen")->isEnabled());
    QVERIFY(!Find<QWidget>(window_.get(), "btnConvert")->isEnabled());
    QVERIFY(WaitFor([&] { return !window_->Workspace().Loading(); }));
    QVERIFY(!Find<QWidget>(window_.get(), "pbLoading")->isVisible());
    QVERIFY(Find<QWidget>(window_.get(), "btnOpen")->isEnabled());
    QVERIFY(Find<QWidget>(window_.get(), "btnConvert")->isEnabled());
    QCOMPARE(window_->Workspace().List().Titles().size(), size_t(3));
    QVERIFY(Find<QWidget>(window_.get(), "cboAudio")->isEnabled());
    QVERIFY(dialogs_->Messages().isEmpty());
    const QString loaded = window_->Workspace().OpenFileText();

    // A folder without a DVD: its message, and the loaded list stays.
    TempDir empty("reelcast-no-dvd");
    dialogs_->Paths.push_back(QString::fromStdString(empty.Path().string()));
    QTest::mouseClick(Find<QAbstractButton>(window_.get(), "btnOpen"), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return !window_->Workspace().Loading(); }));
    QCOMPARE(dialogs_->Messages(),
             QStringList({QString::fromStdString(empty.Path().string()) + "/ is not a valid DVD folder."}));
    QCOMPARE(window_->Workspace().OpenFileText(), loaded);
    QCOMPARE(window_->Workspace().List().Titles().size(), size_t(3));
    QCOMPARE(Find<QLineEdit>(window_.get(), "ebtnOpenFile")->text(), loaded);

    // A DVD whose first title set's VOB file is empty: the titles in it are
    // named with the file and stay listed, unchecked, saying why; the other
    // title set loads.
    TempDir broken("reelcast-broken-dvd");
    fs::copy(DvdFixture(), broken.Path(), fs::copy_options::recursive);
    fs::resize_file(broken.Path() / "VIDEO_TS" / "VTS_01_1.VOB", 0);  // no picture in it
    const QString emptyVob = QString::fromStdString((broken.Path() / "VIDEO_TS" / "VTS_01_1.VOB").string()) + " is empty";
    dialogs_->Requests.clear();
    dialogs_->Paths.push_back(QString::fromStdString(broken.Path().string()));
    QTest::mouseClick(Find<QAbstractButton>(window_.get(), "btnOpen"), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return !window_->Workspace().Loading(); }));
    QCOMPARE(dialogs_->Messages(), QStringList({"Title_01_01 and Title_01_02 cannot be used: " + emptyVob + "."}));
    QVERIFY(window_->Workspace().DvdLoaded());
    QCOMPARE(window_->Workspace().List().Titles().size(), size_t(3));
    QVERIFY(!window_->Workspace().List().Titles()[0]->Task.Checked);
    QVERIFY(window_->Workspace().List().Titles()[2]->Task.Checked);
    auto* tree = Find<QTreeView>(window_.get(), "vst")->model();
    const QModelIndex root = tree->index(0, 0);
    QCOMPARE(tree->index(0, 1, root).data(Qt::ToolTipRole).toString(), "Title_01_01 cannot be used: " + emptyVob);
    QVERIFY(tree->index(2, 0, root).data(Qt::ToolTipRole).isNull());

    // With no title left that can be read: the messages, and the list and
    // folder box are emptied.
    fs::remove(broken.Path() / "VIDEO_TS" / "VTS_02_1.VOB");
    dialogs_->Requests.clear();
    dialogs_->Paths.push_back(QString::fromStdString(broken.Path().string()));
    QTest::mouseClick(Find<QAbstractButton>(window_.get(), "btnOpen"), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return !window_->Workspace().Loading(); }));
    QCOMPARE(dialogs_->Messages(),
             QStringList({"Title_01_01 and Title_01_02 cannot be used: " + emptyVob + ".",
                          "Title_02_01 cannot be used: " +
                              QString::fromStdString((broken.Path() / "VIDEO_TS" / "VTS_02_1.VOB").string()) +
                              " is missing.",
                          "Failed to create decoder."}));
    QVERIFY(!window_->Workspace().DvdLoaded());
    QVERIFY(window_->Workspace().List().Titles().empty());
    QCOMPARE(Find<QTreeView>(window_.get(), "vst")->model()->rowCount(), 0);
  }

  void stageButtonsSwitchPagesAndLeavingEncoderStoresIntoEveryRow() {
    LoadDvd();
    auto* pages = Find<QStackedWidget>(window_.get(), "pgcMain");
    QTest::mouseClick(Find<QAbstractButton>(window_.get(), "btnEncoder"), Qt::LeftButton);
    QCOMPARE(pages->currentIndex(), int(stEncoder));
    QVERIFY(Find<QAbstractButton>(window_.get(), "btnEncoder")->isChecked());
    for (TTaskRow* row : window_->Workspace().TaskRows()) QCOMPARE(row->Task.Encoder.AudioDisabled, 0);
    Find<QCheckBox>(window_.get(), "cbAudio")->setChecked(true);
    // Nothing is stored while the page stays.
    QTest::mouseClick(Find<QAbstractButton>(window_.get(), "btnEncoder"), Qt::LeftButton);
    for (TTaskRow* row : window_->Workspace().TaskRows()) QCOMPARE(row->Task.Encoder.AudioDisabled, 0);
    QTest::mouseClick(Find<QAbstractButton>(window_.get(), "btnTemplate"), Qt::LeftButton);
    QCOMPARE(pages->currentIndex(), int(stTemplate));
    // Every title and chapter, not only the selected one; not the root.
    auto rows = window_->Workspace().TaskRows();
    QCOMPARE(int(rows.size()), 9);
    for (TTaskRow* row : rows) QCOMPARE(row->Task.Encoder.AudioDisabled, -1);
    QCOMPARE(window_->Workspace().List().Root()->Task.Encoder.AudioDisabled, 0);
  }

  void listShowsLengthsAndDestinationNames() {
    LoadDvd();
    TTaskRow* root = window_->Workspace().List().Root();
    QCOMPARE(TaskCellText(*root, 1), QString());
    QCOMPARE(TaskCellText(*root, 2), QString());
    TTaskRow* t1 = Title(0);
    QCOMPARE(TaskCellText(*t1, 0), QString("Title_01_01"));
    QCOMPARE(TaskCellText(*t1, 1), QString("00:00:12"));
    QCOMPARE(TaskCellText(*t1, 2), QString("Title_0101"));  // checked
    TTaskRow* c1 = t1->Children[0].get();
    QCOMPARE(TaskCellText(*c1, 0), QString("Chapter_01"));
    QCOMPARE(TaskCellText(*c1, 2), QString());  // not checked
    c1->Task.Checked = true;
    QCOMPARE(TaskCellText(*c1, 2), QString("Chapter_01-111"));
    // The chapter of a one-chapter title never shows a name.
    TTaskRow* t2 = Title(1);
    QVERIFY(t2->Children[0]->Task.Checked);
    QCOMPARE(TaskCellText(*t2->Children[0], 2), QString());
  }

  void checkColumnHitTestAndOneChapterMirroring() {
    LoadDvd();
    TTaskRow* t1 = Title(0);
    TTaskRow* t2 = Title(1);
    QVERIFY(t1->Task.Checked);
    // Inside the check column the mark flips; on its edges and beyond, not.
    for (int x : {43, 72, 90}) {
      ClickRow(t1, x);
      QVERIFY2(t1->Task.Checked, qPrintable(QString("x = %1").arg(x)));
    }
    ClickRow(t1, 55);
    QVERIFY(!t1->Task.Checked);
    QCOMPARE(Tree()->model()->index(0, 2, Tree()->model()->index(0, 0)).data().toString(), QString());
    for (auto& chapter : t1->Children) QVERIFY(!chapter->Task.Checked);  // several chapters: no mirroring
    ClickRow(t1, 44);
    QVERIFY(t1->Task.Checked);
    // A one-chapter title and its chapter share the mark, whichever is clicked.
    QVERIFY(!t2->Task.Checked);
    ClickRow(t2, 60);
    QVERIFY(t2->Task.Checked);
    QVERIFY(t2->Children[0]->Task.Checked);
    Tree()->expand(static_cast<TTaskTreeView*>(Tree())->TaskModel()->IndexOf(t2));
    ClickRow(t2->Children[0].get(), 60);
    QVERIFY(!t2->Children[0]->Task.Checked);
    QVERIFY(!t2->Task.Checked);
    // A chapter of a several-chapter title flips alone.
    Tree()->expand(static_cast<TTaskTreeView*>(Tree())->TaskModel()->IndexOf(t1));
    ClickRow(t1->Children[1].get(), 60);
    QVERIFY(t1->Children[1]->Task.Checked);
    QVERIFY(t1->Task.Checked);
    QVERIFY(!t1->Children[0]->Task.Checked);
  }

  void selectingATitleFillsItsAudioAndSubtitleChoices() {
    LoadDvd();
    Tree()->setCurrentIndex(static_cast<TTaskTreeView*>(Tree())->TaskModel()->IndexOf(Title(0)));
    auto* audio = Find<QComboBox>(window_.get(), "cboAudio");
    auto* subtitle = Find<QComboBox>(window_.get(), "cboSTitle");
    QVERIFY(audio->isEnabled());
    QCOMPARE(audio->count(), 2);
    QCOMPARE(subtitle->itemText(subtitle->count() - 1), QString("No_SubTitle"));
    QCOMPARE(subtitle->currentText(), QString("No_SubTitle"));
    audio->setCurrentIndex(1);
    subtitle->setCurrentIndex(0);
    QCOMPARE(Title(0)->Task.AudioTrackIndex, 1);
    QCOMPARE(Title(0)->Task.SubtitleIndex, 0);
    for (auto& chapter : Title(0)->Children) {
      QCOMPARE(chapter->Task.AudioTrackIndex, 1);
      QCOMPARE(chapter->Task.SubtitleIndex, 0);
    }
  }

  void convertWithoutADvdAsksForOne() {
    window_->SwitchStage(stPublish);
    QTest::mouseClick(Find<QAbstractButton>(window_.get(), "btnConvert"), Qt::LeftButton);
    QCOMPARE(dialogs_->Messages(), QStringList{"Please select the DVD file first!"});
    QCOMPARE(window_->CurrentStage(), int(stImport));
    QVERIFY(Find<QAbstractButton>(window_.get(), "btnSelect")->isChecked());
    QCOMPARE(dialogs_->Texts(TDialogKind::ChooseFolder), QStringList{"Please select a DVD folder:"});
  }

  void convertRefusals_data() {
    QTest::addColumn<QString>("output");  // "" keeps the page's default
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("totalSeconds");  // 0: the titles as loaded
    QTest::addColumn<bool>("uncheckAll");
    QTest::addColumn<QString>("generalTemplate");
    QTest::addColumn<QString>("message");
    const QString tooLong =
        "The duration of the final Flash file must be no more than 30 minutes.\n\r Please reselect the "
        "chapters/titles or trim your movie.";
    QTest::newRow("output folder missing") << "/nonexistent-folder/x.swf" << "rbSWF" << 0 << false << ""
                                           << "The folder that you selected does not exist. Please specify a different folder.";
    QTest::newRow("nothing checked") << "" << "rbSWF" << 0 << true << ""
                                     << "Please select a title or a chapter first.";
    QTest::newRow("SWF 1801 s") << "" << "rbSWF" << 1801 << false << "" << tooLong;
    QTest::newRow("EXE 1801 s") << "" << "rbExe" << 1801 << false << "" << tooLong;
    QTest::newRow("template without image area")
        << "" << "rbSWF" << 0 << false << "No Such Template"
        << "Sorry,load the current template unsuccessfully.Please select another one to continue.";
  }

  void convertRefusals() {
    QFETCH(QString, output);
    QFETCH(QString, kind);
    QFETCH(int, totalSeconds);
    QFETCH(bool, uncheckAll);
    QFETCH(QString, generalTemplate);
    QFETCH(QString, message);
    LoadDvd();
    TempDir out("reelcast-gui-out");
    SetOutput(output.isEmpty() ? QString::fromStdString((out / "movie").string()) + ".swf" : output,
              kind.toLatin1().constData());
    if (uncheckAll)
      for (TTaskRow* row : window_->Workspace().TaskRows()) row->Task.Checked = false;
    if (totalSeconds > 0) {
      // One checked title whose trim range makes the total.
      for (TTaskRow* row : window_->Workspace().TaskRows()) row->Task.Checked = false;
      Title(0)->Task.Checked = true;
      Title(0)->Task.TrimEnd = totalSeconds;
    }
    const TTemplate saved = SWFParam.Template;
    if (!generalTemplate.isEmpty()) SWFParam.Template = TTemplate{1, generalTemplate.toStdString()};
    QSignalSpy converter(window_.get(), &TMainWindow::converterWindowCreated);
    QTest::mouseClick(Find<QAbstractButton>(window_.get(), "btnConvert"), Qt::LeftButton);
    SWFParam.Template = saved;
    QCOMPARE(dialogs_->Messages(), QStringList{message});
    QCOMPARE(converter.count(), 0);
  }

  void thirtyMinutesExactlyAndLongFlvAreAccepted_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("totalSeconds");
    QTest::newRow("SWF 1800 s") << "rbSWF" << 1800;
    QTest::newRow("FLV 1801 s") << "rbFLV" << 1801;
  }

  void thirtyMinutesExactlyAndLongFlvAreAccepted() {
    QFETCH(QString, kind);
    QFETCH(int, totalSeconds);
    LoadDvd();
    TempDir out("reelcast-gui-out");
    SetOutput(QString::fromStdString((out / "movie").string()) + (kind == "rbFLV" ? ".flv" : ".swf"),
              kind.toLatin1().constData());
    for (TTaskRow* row : window_->Workspace().TaskRows()) row->Task.Checked = false;
    Title(0)->Task.Checked = true;
    Title(0)->Task.TrimEnd = totalSeconds;
    // The job is accepted: its progress window opens; it is cancelled at once.
    int windows = 0;
    connect(window_.get(), &TMainWindow::converterWindowCreated, this, [&](QWidget* w) {
      ++windows;
      dialogs_->YesAnswers.push_back(true);  // "Cancel conversion?"
      QTimer::singleShot(0, w, [w] { static_cast<TConverterWindow*>(w)->reject(); });
    });
    QTest::mouseClick(Find<QAbstractButton>(window_.get(), "btnConvert"), Qt::LeftButton);
    QCOMPARE(windows, 1);
    QCOMPARE(dialogs_->Messages(), QStringList{});
    QCOMPARE(SWFParam.TotalDuration, double(totalSeconds));
  }

  void existingOutputIsReplacedOnlyAfterYes() {
    LoadDvd();
    TempDir out("reelcast-gui-out");
    const fs::path file = out / "movie.swf";
    WriteFile(file, "OLD");
    SetOutput(QString::fromStdString(file.string()));
    QSignalSpy converter(window_.get(), &TMainWindow::converterWindowCreated);
    QTest::mouseClick(Find<QAbstractButton>(window_.get(), "btnConvert"), Qt::LeftButton);
    QCOMPARE(dialogs_->Texts(TDialogKind::Question),
             QStringList{"File " + QString::fromStdString(file.string()) + " exists already,do you want to replace it?"});
    QCOMPARE(converter.count(), 0);
    QCOMPARE(ReadFile(file), std::string("OLD"));
  }
};

REELCAST_GUI_TEST_MAIN(MainWindowTest)
#include "MainWindow_gui_test.moc"
