// The progress window on a real job from the test DVD: its labels at the
// start, each job event's effect on what it shows, Pause and Resume, the
// end of the job (message, opened folder, upload hand-off), and Cancel in
// the encode phase and in the finishing phase.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <filesystem>
#include <future>

#include "GuiTest.h"
#include "app/Config.h"
#include "app/Paths.h"
#include "convert/ConvertService.h"
#include "convert/JobMessages.h"
#include "publish/PublishSteps.h"
#include "sources/EncoderChoice.h"
#include "ui/ConverterWindow.h"
#include "ui/UploadDialog.h"

using namespace reelcast;
using namespace reelcast::test;
using namespace reelcast::ui;
namespace fs = std::filesystem;

class ConverterWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TDialogRecorder> dialogs_;
  std::unique_ptr<TJobSettingObjects> objects_;
  std::unique_ptr<TempDir> out_;

  // The first title of the test DVD (12 s) as Convert hands it over, into
  // out_/movie + the kind's extension.
  TTaskArray PrepareJob(int32_t kind) {
    objects_ = std::make_unique<TJobSettingObjects>();
    InitJobSettings(*objects_);
    TTaskList list;
    if (!list.LoadDvdFolder(DvdFixture().string() + "/")) return {};
    for (TTaskRow* row : list.Rows()) row->Task.Checked = false;
    list.Titles().front()->Task.Checked = true;
    TConvertChoices choices;
    choices.SourceFolder = list.OpenFileText();
    choices.OutputKind = kind;
    choices.OutputBox = (out_->Path() / (kind == kOutputFlv ? "movie.flv" : "movie.swf")).string();
    choices.Template = kind == kOutputFlv ? TTemplate{0, "None"} : TTemplate{2, "Classic Gray"};
    choices.GeneralTemplateSelection = kind == kOutputFlv ? "None" : "";
    TConvertHost host;
    host.StoreEncoderSettings = [](TTask& task) {
      task.Encoder = DefaultEncoderParams(TEncoderChoice{}, EncMgrGetFormatTable());
    };
    auto tasks = PrepareConvert(list.Rows(), choices, host, SWFParam);
    return tasks ? *tasks : TTaskArray{};
  }

  // The real publishing steps, each held until gate is released, so that a
  // test can act while the job is in its finishing phase.
  static TFinishingSteps HeldSteps(std::shared_future<void> gate) {
    TFinishingSteps steps = PublishSteps();
    auto hold = [gate](auto step) {
      return [gate, step](auto&&... args) {
        gate.wait();
        return step(std::forward<decltype(args)>(args)...);
      };
    };
    steps.FlvToSwf = hold(steps.FlvToSwf);
    steps.CreatFlashMovie = hold(steps.CreatFlashMovie);
    steps.MakePlayerMovie = hold(steps.MakePlayerMovie);
    return steps;
  }

  static QString Text(QWidget* w, const char* name) {
    if (auto* label = w->findChild<QLabel*>(QLatin1String(name))) return label->text();
    return Find<QAbstractButton>(w, name)->text();
  }

 private slots:
  void init() {
    dialogs_ = std::make_unique<TDialogRecorder>();
    out_ = std::make_unique<TempDir>("reelcast-gui-out");
    NVSetConfigInt("System.bUseFTP", 0);
  }

  void cleanup() {
    dialogs_.reset();
    out_.reset();
    objects_.reset();
  }

  void flvJobShowsEveryEventPausesAndOpensTheFolder() {
    TTaskArray tasks = PrepareJob(kOutputFlv);
    QCOMPARE(int(tasks.size()), 1);
    TConverterWindow window(SWFParam, tasks, PublishSteps());
    // What the window shows before the job starts.
    QCOMPARE(Find<QPlainTextEdit>(&window, "mmoInfo")->toPlainText(),
             "Source File: " + QString::fromStdString(SWFParam.SourceFile) + "\nOutput File: " +
                 QString::fromStdString(SWFParam.OutputFile) + "\nTemplate Name: None");
    QCOMPARE(Text(&window, "lblConverHintInfo"), QString("Wait ..."));
    QCOMPARE(Text(&window, "lblSec"), QString("Elapsed Time :     00:00:00 \nTime Remaining : 00:00:00"));
    QCOMPARE(Text(&window, "btnPause"), QString("&Pause"));
    QCOMPARE(Find<QProgressBar>(&window, "pbProgress")->value(), 0);
    window.show();

    // Encoding: the status line, the times.
    QVERIFY(WaitFor([&] { return Text(&window, "lblConverHintInfo") == "In process of generating FLV file..."; }));
    QVERIFY(Text(&window, "lblSec").startsWith("Elapsed   Time: "));
    QVERIFY(Text(&window, "lblSec").contains("\nTime Remaining: "));
    QVERIFY(Find<QPlainTextEdit>(&window, "mmoInfo")->toPlainText().contains("Creating FLV File..."));

    // Paused, the window still takes the finishing stages' events.
    QTest::mouseClick(Find<QAbstractButton>(&window, "btnPause"), Qt::LeftButton);
    QCOMPARE(Text(&window, "btnPause"), QString("Resume"));
    QCOMPARE(window.Model().PauseState(), 1);
    auto post = [&](TJobEventKind kind, uint32_t subCode, int32_t value) {
      TJobEvent event{kind};
      event.SubCode = subCode;
      event.Value = value;
      window.Model().Queue()->Post(event);
      window.ProcessEvents();
    };
    auto* bar = Find<QProgressBar>(&window, "pbProgress");
    post(TJobEventKind::MovieProgress, 0, 42);
    QCOMPARE(bar->value(), 42);
    const struct { uint32_t Sub; const char* Text; } notices[] = {
        {0, "Saving the converted file, please wait a moment..."},
        {1, "In process of adding background music..."},
        {2, "In process of integrating template..."},
        {3, "In process of generating EXE file..."},
        {4, "In process of generating Html file..."},
        {5, "In process of generating ScreenSava file..."},
        {6, "In process of creating background music file..."},
    };
    for (const auto& n : notices) {
      post(TJobEventKind::StageNotice, n.Sub, 0);
      QCOMPARE(Text(&window, "lblConverHintInfo"), QString(n.Text));
    }
    post(TJobEventKind::StageNotice, 7, 55);
    QCOMPARE(bar->value(), 55);
    post(TJobEventKind::StageNotice, 8, 99);  // unknown sub-codes change nothing
    QCOMPARE(bar->value(), 55);
    QCOMPARE(Text(&window, "lblConverHintInfo"), QString(notices[6].Text));
    QTest::mouseClick(Find<QAbstractButton>(&window, "btnPause"), Qt::LeftButton);
    QCOMPARE(Text(&window, "btnPause"), QString("Pause"));
    QCOMPARE(window.Model().PauseState(), 0);

    // The end: the message, the folder opened, the output in place.
    QVERIFY(WaitFor([&] { return window.Model().Closed(); }));
    QVERIFY(window.Model().Succeeded());
    QCOMPARE(dialogs_->Messages(), QStringList{"All conversion tasks have been finished."});
    QCOMPARE(dialogs_->Texts(TDialogKind::OpenPath), QStringList{QString::fromStdString(out_->Path().string()) + "/"});
    const QString log = Find<QPlainTextEdit>(&window, "mmoInfo")->toPlainText();
    QVERIFY(log.contains("Succeeded in creating FLV file."));
    QVERIFY(log.endsWith("Succeed"));
    // FLV output keeps Pause enabled throughout; the times are hidden after encoding.
    QVERIFY(Find<QAbstractButton>(&window, "btnPause")->isEnabled());
    QVERIFY(!Find<QLabel>(&window, "lblSec")->isVisible());
    QCOMPARE(bar->value(), 100);
    QVERIFY(fs::file_size(out_->Path() / "movie.flv") > 10000);
    QVERIFY(!window.isVisible());
  }

  void uploadDialogFollowsWhenFtpIsOn() {
    NVSetConfigInt("System.bUseFTP", 5);
    TTaskArray tasks = PrepareJob(kOutputFlv);
    TConverterWindow window(SWFParam, tasks, PublishSteps());
    QString localDir;
    // The upload dialog runs modally; it is read and closed from a timer.
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* upload = qobject_cast<TUploadDialog*>(w); upload && upload->isVisible()) {
          localDir = Find<QLabel>(upload, "lblLocalDir")->text();
          QTest::mouseClick(Find<QAbstractButton>(upload, "btnCancel"), Qt::LeftButton);  // idle: closes
        }
    });
    closer.start(50);
    window.show();
    QVERIFY(WaitFor([&] { return window.Model().Closed() && !localDir.isEmpty(); }));
    QCOMPARE(localDir, QString::fromStdString(out_->Path().string()));
  }

  void jobThatCannotStartReportsWhyAndCloses() {
    // The job starts on a thread of its own; its failure to start still
    // reaches the window: a folder stands where the output would go.
    TTaskArray tasks = PrepareJob(kOutputFlv);
    fs::create_directories(out_->Path() / "movie.flv");
    TConverterWindow window(SWFParam, tasks, PublishSteps());
    window.show();
    QVERIFY(WaitFor([&] { return window.Model().Closed(); }));
    QVERIFY(!window.Model().Succeeded());
    const QStringList messages = dialogs_->Messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith("The conversion failed while starting the job: the output ") &&
                 messages[0].contains("movie.flv is a folder."),
             qPrintable(messages[0]));
    QVERIFY(Find<QPlainTextEdit>(&window, "mmoInfo")->toPlainText().endsWith("Failed"));
    QVERIFY(WaitFor([&] { return !window.isVisible(); }));
  }

  void cancelWhileEncodingAsksAndStopsOnYes() {
    TTaskArray tasks = PrepareJob(kOutputFlv);
    TConverterWindow window(SWFParam, tasks, PublishSteps());
    window.show();
    QVERIFY(WaitFor([&] { return window.Model().State() == TConverterState::Encoding; }));
    // No: the job goes on.
    QTest::mouseClick(Find<QAbstractButton>(&window, "btnCancel"), Qt::LeftButton);
    QCOMPARE(dialogs_->Texts(TDialogKind::Question), QStringList{"Cancel conversion?"});
    QVERIFY(!window.Model().Closed());
    QCOMPARE(window.Model().PauseState(), 0);
    // Yes: the encoder stops, the window closes, nothing is left.
    dialogs_->YesAnswers.push_back(true);
    QTest::mouseClick(Find<QAbstractButton>(&window, "btnClose"), Qt::LeftButton);
    QVERIFY(window.Model().Closed());
    QVERIFY(window.Model().Cancelled());
    QVERIFY(!window.isVisible());
    QVERIFY(!fs::exists(out_->Path() / "movie.flv"));
    QCOMPARE(dialogs_->Messages(), QStringList{});
  }

  void cancelWhileFinishingStopsTheStages() {
    TTaskArray tasks = PrepareJob(kOutputSwf);
    std::promise<void> release;
    TConverterWindow window(SWFParam, tasks, HeldSteps(release.get_future().share()));
    window.show();
    // The finishing phase of a published movie: Pause is disabled.
    QVERIFY(WaitFor([&] { return window.Model().State() == TConverterState::Finishing; }));
    QVERIFY(!Find<QAbstractButton>(&window, "btnPause")->isEnabled());
    QCOMPARE(Text(&window, "lblConverHintInfo"), QString("In process of generating SWF file..."));
    dialogs_->YesAnswers.push_back(true);
    QTest::mouseClick(Find<QAbstractButton>(&window, "btnCancel"), Qt::LeftButton);
    QCOMPARE(dialogs_->Texts(TDialogKind::Question), QStringList{"Cancel conversion?"});
    QVERIFY(window.Model().Cancelled());
    release.set_value();
    QVERIFY(window.Model().Job().Wait(std::chrono::seconds(120)));
    QVERIFY(window.Model().Job().Result().Cancelled());
    QVERIFY(WaitFor([&] { return !window.isVisible(); }));
  }

  void leavesNoOutputAfterACancelInFinishing() {
    // A cancel while the movie is being made leaves nothing behind.
    {
      TTaskArray tasks = PrepareJob(kOutputSwf);
      std::promise<void> release;
      TConverterWindow window(SWFParam, tasks, HeldSteps(release.get_future().share()));
      window.show();
      QVERIFY(WaitFor([&] { return window.Model().State() == TConverterState::Finishing; }));
      dialogs_->YesAnswers.push_back(true);
      QTest::mouseClick(Find<QAbstractButton>(&window, "btnCancel"), Qt::LeftButton);
      release.set_value();
      QVERIFY(window.Model().Job().Wait(std::chrono::seconds(120)));
      QVERIFY(window.Model().Job().Result().Cancelled());
    }
    QVERIFY(!fs::exists(out_->Path() / "movie.swf"));
    QVERIFY(!fs::exists(out_->Path() / "movie.flv"));
  }
};

REELCAST_GUI_TEST_MAIN(ConverterWindowTest)
#include "ConverterWindow_gui_test.moc"
