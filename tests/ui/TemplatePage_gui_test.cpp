// The Template page driven by object names: what choosing each kind of
// template sets for Convert, the enabling rules of the control bar and the
// music buttons, the memo line rules, what leaving the page stores, the
// title preview rebuilt from typed text, and the dialogs the page opens.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include "GuiTest.h"
#include "app/Config.h"
#include "app/Paths.h"
#include "app/SettingsKeys.h"
#include "convert/JobRecord.h"
#include "publish/ControlBarPreview.h"
#include "publish/TemplateMovie.h"
#include "ui/ColorButton.h"
#include "ui/FlashView.h"
#include "ui/TemplatePage.h"
#include "ui/TitleMemo.h"
#include "ui/TitlePreviewRenderer.h"
#include "ui/WindowChrome.h"
#include "ui/Workspace.h"

using namespace reelcast;
using namespace reelcast::test;
using namespace reelcast::ui;
namespace fs = std::filesystem;

namespace {

// A mono 16-bit WAV of seconds of silence.
void WriteWav(const fs::path& path, int seconds) {
  const uint32_t rate = 8000, bytes = rate * 2 * uint32_t(seconds);
  std::string data;
  auto u32 = [&](uint32_t v) { data.append(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { data.append(reinterpret_cast<const char*>(&v), 2); };
  data += "RIFF";
  u32(36 + bytes);
  data += "WAVEfmt ";
  u32(16);
  u16(1);
  u16(1);
  u32(rate);
  u32(rate * 2);
  u16(2);
  u16(16);
  data += "data";
  u32(bytes);
  data.append(bytes, '\0');
  WriteFile(path, data);
}

// Runs f once the next modal dialog is shown, then lets the test go on.
void OnNextModal(std::function<void(QWidget*)> f) {
  auto* timer = new QTimer;
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [timer, f] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      f(modal);
    }
  });
  timer->start();
}

}  // namespace

class TemplatePageTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QWidget> host_;
  TWorkspace* workspace_ = nullptr;
  TTemplatePage* page_ = nullptr;
  std::unique_ptr<TDialogRecorder> dialogs_;

  template <typename T = QWidget>
  T* Get(const char* name) {
    return Find<T>(page_, name);
  }
  void Choose(const char* list, const QString& item) {
    auto* widget = Get<QListWidget>(list);
    const auto found = widget->findItems(item, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(item));
    widget->setCurrentItem(found.front());
  }
  QString Selected(const char* list) {
    const auto items = Get<QListWidget>(list)->selectedItems();
    return items.isEmpty() ? QString() : items.front()->text();
  }
  QStringList Items(const char* list) {
    QStringList items;
    auto* widget = Get<QListWidget>(list);
    for (int i = 0; i < widget->count(); ++i) items << widget->item(i)->text();
    return items;
  }

 private slots:
  void init() {
    dialogs_ = std::make_unique<TDialogRecorder>();
    host_ = std::make_unique<QWidget>();
    workspace_ = new TWorkspace(host_.get());
    InitJobSettings(workspace_->JobObjects());
    page_ = new TTemplatePage(*workspace_, host_.get());
  }

  void cleanup() {
    host_.reset();
    dialogs_.reset();
  }

  void listsTheInstalledTemplatesWithThePlayerChosen() {
    QCOMPARE(Items("lbPlayTheme"), (QStringList{"None", "Classic Gray", "Midnight Blue", "Sunset"}));
    QCOMPARE(Items("lbTemplate"), (QStringList{"None", "Film Strip", "Gallery", "Spring Meadow"}));
    QCOMPARE(Selected("lbPlayTheme"), QString("Classic Gray"));
    QCOMPARE(Get<QComboBox>("cbBarStyle")->itemText(0), QString());
    QCOMPARE(Get<QComboBox>("cbBarStyle")->currentText(), QString("Classic"));
    QCOMPARE(Get<QLabel>("lblTempC")->text(), QString("Classic Gray"));
    QCOMPARE(Get<QLabel>("lblSizeC")->text(), QString("320*284"));
    // The bar style preview shows the chosen style's buttons in one movie.
    QCOMPARE(Get<FlashView>("sfControlBar")->Movie(), QString::fromStdString(MakeControlBarPreview("Classic")));
    QVERIFY(fs::file_size(MakeControlBarPreview("Classic")) > 100);
    // The sample texts of a new movie, as nothing was stored yet.
    QCOMPARE(Get<QLineEdit>("edtTitle")->text(), QString("New Flash"));
    QCOMPARE(Get<QPlainTextEdit>("mmoCast")->toPlainText(), QString("Kestrine!"));
  }

  void choosingATemplateSetsWhatConvertReads_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("generalSelection");
    QTest::addColumn<int>("previewHeight");
    QTest::addColumn<bool>("withoutIni");
    QTest::newRow("general") << "lbTemplate" << "Gallery" << 1 << "Gallery" << "400*300" << "Gallery" << 0 << false;
    QTest::newRow("general none") << "lbTemplate" << "None" << 0 << "None" << "" << "None" << 0 << false;
    // The preview is sized for the player's bar: Sunset.ini says Height=56;
    // without its ini a player is given the default 42.
    QTest::newRow("player") << "lbPlayTheme" << "Sunset" << 2 << "Sunset" << "320*296" << "" << 214 + 56 << false;
    QTest::newRow("player without ini")
        << "lbPlayTheme" << "Sunset" << 2 << "Sunset" << "320*296" << "" << 214 + 42 << true;
    QTest::newRow("player none") << "lbPlayTheme" << "None" << 0 << "None" << "" << "" << 0 << false;
  }
  void choosingATemplateSetsWhatConvertReads() {
    QFETCH(QString, list);
    QFETCH(QString, item);
    QFETCH(int, kind);
    QFETCH(QString, name);
    QFETCH(QString, size);
    QFETCH(QString, generalSelection);
    QFETCH(int, previewHeight);
    QFETCH(bool, withoutIni);
    // A data folder whose player has no ini: a copy of the templates and
    // resources (the player's files are read when it is chosen).
    TempDir data("reelcast-data-without-ini");
    const std::string installed = AppFolder;
    struct TRestore {
      const std::string& folder;
      ~TRestore() { AppFolder = folder; }
    } restore{installed};
    if (withoutIni) {
      for (const char* part : {"templates", "res"})
        fs::copy(fs::path(installed) / part, data.Path() / part, fs::copy_options::recursive);
      QVERIFY(fs::remove(data.Path() / "templates/Players" / (item.toStdString() + ".ini")));
      AppFolder = data.Path().string() + "/";
    }
    const bool general = list == "lbTemplate";
    Get<QTabWidget>("pgcTemplateKind")->setCurrentIndex(general ? 1 : 0);
    // Start from a choice in the other list, which must lose its selection.
    Choose(general ? "lbPlayTheme" : "lbTemplate", general ? "Midnight Blue" : "Film Strip");
    Choose(list.toLatin1(), item);
    QCOMPARE(Selected(general ? "lbPlayTheme" : "lbTemplate"), QString());
    QCOMPARE(SWFParam.Template.Kind, kind);
    QCOMPARE(QString::fromStdString(SWFParam.Template.Name), name);
    QCOMPARE(Get<QLabel>("lblTempC")->text(), name);
    QCOMPARE(Get<QLabel>("lblSizeC")->text(), size);
    TConvertChoices choices;
    page_->FillConvertChoices(choices);
    QCOMPARE(choices.Template.Kind, kind);
    QCOMPARE(QString::fromStdString(choices.Template.Name), name);
    QCOMPARE(QString::fromStdString(choices.GeneralTemplateSelection), generalSelection);
    if (kind == 1) {
      QCOMPARE(Get<FlashView>("sfFlash")->Movie(),
               QString::fromStdString(GeneralTemplateFiles("Gallery").Template));
    }
    if (kind == 2) {
      // The sample video played by the chosen player, sized for its bar.
      QCOMPARE(Get<FlashView>("sfPlaytheme")->Movie(), QString::fromStdString(TempFolder + "SampleFlv.swf"));
      QVERIFY(fs::file_size(TempFolder + "SampleFlv.swf") > 1000);
      QCOMPARE(Get<FlashView>("sfPlaytheme")->size(), QSize(290, previewHeight));
    }
  }

  void theGeneralTabsShowTheirPartsAndTheTitlesFollow() {
    Get<QTabWidget>("pgcTemplateKind")->setCurrentIndex(1);
    Choose("lbTemplate", "Film Strip");
    page_->Renderer()->SetDebounce(0);
    QSignalSpy loaded(page_, &TTemplatePage::titlePreviewLoaded);
    Get<QTabWidget>("pgcTemplate")->setCurrentIndex(2);
    QCOMPARE(Get<FlashView>("sfFlash")->Movie(), QString(" "));
    QVERIFY(WaitFor([&] { return !loaded.isEmpty(); }));
    QCOMPARE(loaded.last().at(0).toBool(), true);
    QCOMPARE(Get<FlashView>("sfFlash2")->Movie(), QString::fromStdString(EndTitleMoviePath(TSWFParam{})));
    QVERIFY(fs::file_size(EndTitleMoviePath(TSWFParam{})) > 0);
  }

  void typingATitleStoresItAndRebuildsTheOpeningPreview() {
    Get<QTabWidget>("pgcTemplateKind")->setCurrentIndex(1);
    Choose("lbTemplate", "Gallery");
    Get<QTabWidget>("pgcTemplate")->setCurrentIndex(1);
    QVERIFY(WaitFor([&] { return !page_->Renderer()->Busy(); }));
    QSignalSpy loaded(page_, &TTemplatePage::titlePreviewLoaded);
    auto* title = Get<QLineEdit>("edtTitle");
    title->clear();
    QTest::keyClicks(title, "Summer");
    QCOMPARE(ReadConfigText("System.Title"), std::u16string(u"Summer"));
    QCOMPARE(ReadConfigText("System.FlashText.Title"), std::u16string(u"Summer"));
    QVERIFY(WaitFor([&] { return !loaded.isEmpty() && !page_->Renderer()->Busy(); }));
    QCOMPARE(loaded.last().at(0).toBool(), false);
    QCOMPARE(Get<FlashView>("sfFlash1")->Movie(), QString::fromStdString(PreludeMoviePath(TSWFParam{})));
    QCOMPARE(QString::fromStdU16String(page_->Titles().Texts.Title), QString("Summer"));
    // The movie holds the typed text's glyphs: a title of other letters
    // makes another movie.
    const std::string first = ReadFile(PreludeMoviePath(TSWFParam{}));
    loaded.clear();
    title->setText("Winter");
    QVERIFY(WaitFor([&] { return !loaded.isEmpty() && !page_->Renderer()->Busy(); }));
    QVERIFY(ReadFile(PreludeMoviePath(TSWFParam{})) != first);
  }

  void memoLineRules_data() {
    QTest::addColumn<bool>("cast");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caretLine");
    QTest::addColumn<QChar>("key");
    QTest::addColumn<bool>("accepted");
    const QString line30(30, 'x'), line29(29, 'x');
    QTest::newRow("motive: enter on the third line") << false << "a\nb" << "b" << QChar('\r') << true;
    QTest::newRow("motive: enter after three lines") << false << "a\nb\nc" << "c" << QChar('\r') << false;
    QTest::newRow("motive: a last line break starts no line") << false << "a\nb\n" << "" << QChar('\r') << true;
    QTest::newRow("motive: 30 characters take no more") << false << line30 << line30 << QChar('y') << false;
    QTest::newRow("motive: 29 characters take one more") << false << line29 << line29 << QChar('y') << true;
    QTest::newRow("motive: 30 characters take enter") << false << line30 << line30 << QChar('\r') << true;
    QTest::newRow("motive: backspace always") << false << "a\nb\nc" << line30 << QChar('\b') << true;
    QTest::newRow("cast: enter on the sixth line") << true << "1\n2\n3\n4\n5" << "5" << QChar('\r') << true;
    QTest::newRow("cast: enter after six lines") << true << "1\n2\n3\n4\n5\n6" << "6" << QChar('\r') << false;
    QTest::newRow("cast: 30 characters take more") << true << line30 << line30 << QChar('y') << true;
    QTest::newRow("cast: 30 characters refuse enter") << true << line30 << line30 << QChar('\r') << false;
    QTest::newRow("cast: 100 characters in all") << true << QString(100, 'x') << "x" << QChar('y') << false;
  }
  void memoLineRules() {
    QFETCH(bool, cast);
    QFETCH(QString, text);
    QFETCH(QString, caretLine);
    QFETCH(QChar, key);
    QFETCH(bool, accepted);
    const TMemoRules rules = cast ? TMemoRules{5, 30, false, 100} : TMemoRules{2, 30, true, 100};
    QCOMPARE(MemoAcceptsKey(text, caretLine, key, rules), accepted);
  }

  void theMemosApplyTheirRulesToTypedKeys() {
    auto* motive = Get<QPlainTextEdit>("mmoMotive");
    motive->clear();
    QTest::keyClicks(motive, QString(35, 'm'));
    QCOMPARE(motive->toPlainText(), QString(30, 'm'));
    for (int i = 0; i < 4; ++i) {
      QTest::keyClick(motive, Qt::Key_Return);
      QTest::keyClicks(motive, "n");
    }
    QCOMPARE(motive->toPlainText(), QString(30, 'm') + "\nn\nnnn");
    auto* cast = Get<QPlainTextEdit>("mmoCast");
    cast->clear();
    QTest::keyClicks(cast, QString(32, 'c'));
    QTest::keyClick(cast, Qt::Key_Return);
    QCOMPARE(cast->toPlainText(), QString(32, 'c'));
  }

  void theControlBarStyleFollowsShowControlBar() {
    auto* bar = Get<QCheckBox>("cbBar");
    auto* style = Get<QComboBox>("cbBarStyle");
    QVERIFY(bar->isChecked());
    QVERIFY(style->isEnabled());
    bar->click();
    QVERIFY(!style->isEnabled());
    bar->click();
    QVERIFY(style->isEnabled());
    style->setCurrentText("Ocean");
    QCOMPARE(Get<FlashView>("sfControlBar")->Movie(), QString::fromStdString(MakeControlBarPreview("Ocean")));
  }

  void theMusicButtonsFollowTheFileAndThePlayback() {
    auto* play = Get<QToolButton>("btnAPlay");
    auto* stop = Get<QToolButton>("btnAStop");
    auto* clear = Get<QToolButton>("btnAClear");
    auto enabled = [&] { return QList<bool>{play->isEnabled(), stop->isEnabled(), clear->isEnabled()}; };
    QCOMPARE(enabled(), (QList<bool>{false, false, false}));
    TempDir folder("reelcast-music");
    const fs::path wav = folder.Path() / "tune.wav";
    WriteWav(wav, 2);
    dialogs_->Paths.push_back(QString::fromStdString(wav.string()));
    Get<QLineEdit>("bedtBGA")->actions().front()->trigger();
    QCOMPARE(dialogs_->Requests.back().Filter, QString("Supported File (*.mp3 *.wav)"));
    QCOMPARE(Get<QLineEdit>("bedtBGA")->text(), QString::fromStdString(wav.string()));
    QCOMPARE(Get<QLineEdit>("bedtBGA")->toolTip(), QString::fromStdString(wav.string()));
    QCOMPARE(enabled(), (QList<bool>{true, false, true}));
    play->click();
    QCOMPARE(enabled(), (QList<bool>{false, true, true}));
    // The music script of the preview: the one file, once.
    QVERIFY(fs::exists(TempFolder + "Temp_Audio_Xml.xml"));
    QVERIFY(ReadFile(TempFolder + "Temp_Audio_Xml.xml").find("tune.wav") != std::string::npos);
    // Leaving the page stops it and stores the music for the job.
    Get<QCheckBox>("rbLoop")->setChecked(true);
    page_->LeavePage();
    QCOMPARE(enabled(), (QList<bool>{true, false, true}));
    QVERIFY(SWFParam.HasMusic);
    QCOMPARE(SWFParam.MusicFile, wav.string());
    QVERIFY(SWFParam.LoopMusic);
    clear->click();
    QCOMPARE(enabled(), (QList<bool>{false, false, false}));
    QCOMPARE(Get<QLineEdit>("bedtBGA")->text(), QString());
    page_->LeavePage();
    QVERIFY(!SWFParam.HasMusic);
  }

  void playbackOptionsAreStoredAtOnceAndTheRestOnLeaving() {
    TExportSetting& setting = *workspace_->JobObjects().ExportSetting;
    QCOMPARE(setting.EmbedType, etSeperaterFLV);
    QVERIFY(Get<QRadioButton>("rgEmbedMode1")->isChecked());
    Get<QRadioButton>("rgEmbedMode0")->click();
    QCOMPARE(setting.EmbedType, etEmbedFLV);
    QVERIFY(Get<QCheckBox>("cbAutoPlay")->isChecked());
    Get<QCheckBox>("cbAutoPlay")->click();
    Get<QCheckBox>("cbAutoRewind")->click();
    Get<QCheckBox>("cbRepeat")->click();
    QVERIFY(!setting.AutoPlay);
    QVERIFY(setting.AutoRewind);
    QVERIFY(setting.RepeatPlay);

    Get<QRadioButton>("rgLoopOption1")->click();
    Get<QCheckBox>("cbBar")->click();
    Get<QComboBox>("cbBarStyle")->setCurrentText("Ember");
    ColorButton* colour = Get<ColorButton>("cedtColor");
    colour->SetColor(QColor(0x11, 0x22, 0x33));
    QCOMPARE(Get<FlashView>("sfFlash")->BGColor(), QString("#112233"));
    QCOMPARE(Get<FlashView>("sfPlaytheme")->BGColor(), QString("#112233"));
    TConvertChoices choices;
    page_->FillConvertChoices(choices);
    QCOMPARE(choices.LoopOption, 1);
    QVERIFY(!choices.ShowControlBar);
    QCOMPARE(choices.BarStyle, std::string("Ember"));
    QCOMPARE(choices.BackColor, 0x332211u);
    page_->LeavePage();
    QCOMPARE(SWFParam.PlayMode, 1);
    QVERIFY(!SWFParam.AutoLoop);
    QVERIFY(!SWFParam.ShowControlBar);
    QCOMPARE(SWFParam.BarStyle, std::string("Ember"));
    QCOMPARE(SWFParam.BackColor, 0x332211u);
  }

  void theEffectDialogRebuildsThePreviewAndItsCloseButtonRestores() {
    Get<QTabWidget>("pgcTemplateKind")->setCurrentIndex(1);
    Choose("lbTemplate", "Gallery");
    Get<QTabWidget>("pgcTemplate")->setCurrentIndex(1);
    page_->Renderer()->SetDebounce(0);
    QVERIFY(WaitFor([&] { return !page_->Renderer()->Busy(); }));
    const std::u16string before = ReadConfigText("System.DirectorEffect");
    QSignalSpy loaded(page_, &TTemplatePage::titlePreviewLoaded);
    std::u16string chosen;
    bool framed = false;
    OnNextModal([&](QWidget* dialog) {
      framed = dialog->findChild<TTitleStrip*>() != nullptr && dialog->windowFlags().testFlag(Qt::FramelessWindowHint);
      auto* effect = Find<QComboBox>(dialog, "cbEffect");
      effect->setCurrentIndex(effect->currentIndex() == 0 ? 1 : 0);
      chosen = effect->currentText().toStdU16String();
      // The preview is rebuilt while the dialog is open.
      WaitFor([&] { return !loaded.isEmpty(); });
      Find<QAbstractButton>(dialog, "btnClose")->click();
    });
    Get<QAbstractButton>("btnDirectorSet")->click();
    QVERIFY(framed);
    QVERIFY(chosen != before);
    QVERIFY(!loaded.isEmpty());
    QCOMPARE(ReadConfigText("System.DirectorEffect"), before);
  }

  void theAdvancedDialogStoresItsAddresses() {
    TExportSetting& setting = *workspace_->JobObjects().ExportSetting;
    OnNextModal([&](QWidget* dialog) {
      Find<QCheckBox>(dialog, "cbUrlEnd")->setChecked(true);
      Find<QComboBox>(dialog, "cbbUrlEnd")->setEditText("http://example.org/end");
      Find<QComboBox>(dialog, "cbbUrlEndTraget")->setCurrentText("_top");
      Find<QAbstractButton>(dialog, "btnOK")->click();
    });
    Get<QAbstractButton>("btnAdvance")->click();
    QVERIFY(setting.PlayEndUrl.Enabled);
    QCOMPARE(setting.PlayEndUrl.URL, std::string("http://example.org/end"));
    QCOMPARE(setting.PlayEndUrl.Target, std::string("_top"));
    // A checked action without an address is refused with the message.
    OnNextModal([&](QWidget* dialog) {
      Find<QCheckBox>(dialog, "cbUrlClicking")->setChecked(true);
      Find<QComboBox>(dialog, "cbbUrlClicking")->setEditText("  ");
      Find<QAbstractButton>(dialog, "btnOK")->click();
      QVERIFY(dialog->isVisible());
      Find<QAbstractButton>(dialog, "btnClose")->click();
    });
    Get<QAbstractButton>("btnAdvance")->click();
    QCOMPARE(dialogs_->Messages(), QStringList{"The option shouldn't be left blank."});
    QVERIFY(!setting.ClickingUrl.Enabled);
  }

  void theDownloadLinkOpensTheBrowser() {
    QTest::mouseClick(Get<QLabel>("RzLabel9"), Qt::LeftButton);
    QCOMPARE(dialogs_->Texts(TDialogKind::OpenUrl).size(), 1);
    QVERIFY(dialogs_->Texts(TDialogKind::OpenUrl).front().startsWith("https://"));
  }
};

REELCAST_GUI_TEST_MAIN(TemplatePageTest)
#include "TemplatePage_gui_test.moc"
