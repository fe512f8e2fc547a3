// The title effect and advanced playback dialogs, driven by object name.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include "app/Config.h"
#include "app/SettingsKeys.h"
#include "app/SideFiles.h"
#include "support/StoreFixture.h"
#include "ui/AdvancedPlaybackDialog.h"
#include "ui/ColorButton.h"
#include "ui/Dialogs.h"
#include "ui/TitleEffectDialog.h"

namespace reelcast::test {
namespace {

using ui::AdvancedPlaybackDialog;
using ui::ColorButton;
using ui::TitleEffectDialog;

template <class T>
T* Find(QWidget& parent, const char* name) {
  T* child = parent.findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

std::u16string Text(const std::string& key) { return ReadConfigText(key); }
int Int(const std::string& key, int missing = -1) {
  int32_t v = missing;
  return NVGetConfigInt(key, &v) ? v : missing;
}

class TitleEffectDialogTest : public StoreFixture {};

TEST_F(TitleEffectDialogTest, OpeningShowsTheStoredValuesAndStoresNothing) {
  const std::string effect = TitleKey(TTitleSlot::Director, "Effect");
  NVSetConfigStr(effect, u"Rotate");
  NVSetConfigInt(TitleKey(TTitleSlot::Director, "FontSize"), 32);
  NVSetConfigInt(TitleKey(TTitleSlot::Director, "FontColor"), 0x0000FF);  // red
  NVSetConfigInt(TitleKey(TTitleSlot::Director, "FontItalic"), 5);
  TitleEffectDialog dialog(1);
  QSignalSpy previews(&dialog, &TitleEffectDialog::TitlePreviewRequested);
  EXPECT_EQ(Find<QComboBox>(dialog, "cbEffect")->currentText(), "Rotate");
  EXPECT_EQ(Find<QComboBox>(dialog, "cbSize")->currentText(), "32");
  EXPECT_EQ(Find<ColorButton>(dialog, "cdColor")->Color(), QColor(255, 0, 0));
  EXPECT_TRUE(Find<QCheckBox>(dialog, "cbItalic")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>(dialog, "cbBold")->isChecked());
  EXPECT_EQ(Int(TitleKey(TTitleSlot::Director, "FontBold")), -1) << "opening stored a value";
  EXPECT_TRUE(Text(TitleKey(TTitleSlot::Director, "FontName")).empty());
  EXPECT_EQ(previews.count(), 0);
  // A missing effect key shows the first effect.
  TitleEffectDialog fresh(0);
  EXPECT_EQ(Find<QComboBox>(fresh, "cbEffect")->currentIndex(), 0);
}

TEST_F(TitleEffectDialogTest, EveryChangeIsStoredAtOnceAndTheCloseButtonRestores) {
  const auto key = [](const char* suffix) { return TitleKey(TTitleSlot::CastView, suffix); };
  NVSetConfigStr(key("Effect"), u"MoveDown");
  NVSetConfigInt(key("FontSize"), 36);
  NVSetConfigInt(key("FontColor"), 0x112233);
  TitleEffectDialog dialog(3);
  QSignalSpy previews(&dialog, &TitleEffectDialog::TitlePreviewRequested);
  const std::u16string shownFont = Find<QFontComboBox>(dialog, "fcbFontName")->currentFont().family().toStdU16String();

  Find<ColorButton>(dialog, "cdColor")->SetWindowsColor(0x00FF00);
  EXPECT_EQ(Int(key("FontColor")), 0x00FF00);
  ASSERT_EQ(previews.count(), 1);
  EXPECT_EQ(previews.last().at(0).toInt(), 1) << "the cast view rebuilds the ending";
  Find<QCheckBox>(dialog, "cbBold")->click();
  EXPECT_EQ(Int(key("FontBold")), 5);
  auto* effects = Find<QComboBox>(dialog, "cbEffect");
  effects->setCurrentText("Rotate");
  EXPECT_EQ(Text(key("Effect")), u"Rotate");
  // A size that is no number: the effect and font are stored, nothing else,
  // and no preview is asked for.
  const int before = previews.count();
  effects->setCurrentText("Fade");
  Find<QCheckBox>(dialog, "cbItalic")->setChecked(true);  // shown, not stored yet
  Find<QComboBox>(dialog, "cbSize")->setCurrentText("big");
  EXPECT_EQ(previews.count(), before + 1);
  EXPECT_EQ(Text(key("Effect")), u"Fade");
  EXPECT_EQ(Int(key("FontSize")), 36);

  Find<QAbstractButton>(dialog, "btnClose")->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(Text(key("Effect")), u"MoveDown");
  EXPECT_EQ(Int(key("FontColor")), 0x112233);
  EXPECT_EQ(Int(key("FontSize")), 36);
  EXPECT_EQ(Int(key("FontBold")), 0);
  EXPECT_EQ(Int(key("FontItalic")), 0);
  EXPECT_EQ(Text(key("FontName")), shownFont);
  EXPECT_EQ(previews.count(), before + 2) << "restoring rebuilds the preview";
}

class AdvancedPlaybackDialogTest : public StoreFixture {
 protected:
  // Clicks OK; returns the text of the message it showed, if any.
  QString ClickOk(QDialog& dialog) {
    QString message;
    ui::SetDialogHandler([&](const ui::TDialogRequest& request) {
      message = request.Text;
      return ui::TDialogAnswer{};
    });
    Find<QPushButton>(dialog, "btnOK")->click();
    ui::SetDialogHandler({});
    return message;
  }
  static void Focus(QComboBox* box, QEvent::Type type) {
    QFocusEvent event(type);
    QApplication::sendEvent(box->lineEdit(), &event);
  }
};

TEST_F(AdvancedPlaybackDialogTest, ShowsTheSettingAndTheHistories) {
  std::vector<std::string> items;
  AddToUrlHistory(TUrlHistory::Clicking, items, "http://one.example/");
  AddToUrlHistory(TUrlHistory::Clicking, items, "http://two.example/");
  TExportSetting setting;
  setting.ClickingUrl = {1, "http://two.example/", "_blank"};
  setting.PlayEndUrl = {0, "http://end.example/", "nowhere"};
  AdvancedPlaybackDialog dialog(setting);
  auto* clicking = Find<QComboBox>(dialog, "cbbUrlClicking");
  EXPECT_EQ(clicking->count(), 2);
  EXPECT_EQ(clicking->itemText(1), "http://two.example/");
  EXPECT_EQ(clicking->currentText(), "http://two.example/");
  EXPECT_TRUE(clicking->isEnabled());
  EXPECT_EQ(Find<QComboBox>(dialog, "cbbUrlClickTraget")->currentText(), "_blank");
  EXPECT_EQ(Find<QComboBox>(dialog, "cbbUrlEnd")->count(), 0);
  EXPECT_FALSE(Find<QComboBox>(dialog, "cbbUrlEnd")->isEnabled());
  EXPECT_FALSE(Find<QComboBox>(dialog, "cbbUrlEndTraget")->isEnabled());
  EXPECT_EQ(Find<QComboBox>(dialog, "cbbUrlEndTraget")->currentIndex(), -1);
  Find<QCheckBox>(dialog, "cbUrlEnd")->click();
  EXPECT_TRUE(Find<QComboBox>(dialog, "cbbUrlEnd")->isEnabled());
  EXPECT_TRUE(Find<QComboBox>(dialog, "cbbUrlEndTraget")->isEnabled());
}

TEST_F(AdvancedPlaybackDialogTest, AddressBoxesKeepTheirHistoryFiles) {
  TExportSetting setting;
  AdvancedPlaybackDialog dialog(setting);
  Find<QCheckBox>(dialog, "cbUrlEnd")->click();
  auto* end = Find<QComboBox>(dialog, "cbbUrlEnd");
  Focus(end, QEvent::FocusIn);
  EXPECT_EQ(end->currentText(), "http://") << "an empty box gets the scheme";
  end->setEditText("http://Site.example/");
  Focus(end, QEvent::FocusOut);
  end->setEditText("http://site.EXAMPLE/");  // differs in case only
  Focus(end, QEvent::FocusOut);
  end->setEditText("   ");
  Focus(end, QEvent::FocusOut);
  EXPECT_EQ(end->count(), 1);
  EXPECT_EQ(LoadUrlHistory(TUrlHistory::PlayEnd), std::vector<std::string>{"http://Site.example/"});
  EXPECT_TRUE(LoadUrlHistory(TUrlHistory::Clicking).empty());
  // Entering a box that holds text leaves it.
  end->setEditText("http://kept/");
  Focus(end, QEvent::FocusIn);
  EXPECT_EQ(end->currentText(), "http://kept/");
}

TEST_F(AdvancedPlaybackDialogTest, OkChecksBlankAddressesAndStoresBothActions) {
  TExportSetting setting;
  setting.PlayEndUrl = {1, "http://old/", "_top"};
  AdvancedPlaybackDialog dialog(setting);
  Find<QCheckBox>(dialog, "cbUrlClicking")->click();
  Find<QComboBox>(dialog, "cbbUrlClicking")->setEditText("  ");
  EXPECT_EQ(ClickOk(dialog), "The option shouldn't be left blank.");
  EXPECT_EQ(dialog.result(), 0) << "the dialog stays open";
  EXPECT_EQ(setting.ClickingUrl.Enabled, 0) << "nothing stored";

  Find<QComboBox>(dialog, "cbbUrlClicking")->setEditText("http://");
  Find<QCheckBox>(dialog, "cbUrlEnd")->click();  // unchecked: stored as shown, disabled
  EXPECT_EQ(ClickOk(dialog), "");
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(setting.ClickingUrl.Enabled, 1);
  EXPECT_EQ(setting.ClickingUrl.URL, "http://");
  EXPECT_EQ(setting.ClickingUrl.Target, "") << "no target chosen";
  EXPECT_EQ(setting.PlayEndUrl.Enabled, 0);
  EXPECT_EQ(setting.PlayEndUrl.URL, "http://old/");
  EXPECT_EQ(setting.PlayEndUrl.Target, "_top");

  // The close button stores nothing.
  TExportSetting untouched;
  AdvancedPlaybackDialog closed(untouched);
  Find<QCheckBox>(closed, "cbUrlClicking")->click();
  Find<QComboBox>(closed, "cbbUrlClicking")->setEditText("http://x/");
  Find<QAbstractButton>(closed, "btnClose")->click();
  EXPECT_EQ(untouched.ClickingUrl.Enabled, 0);
  EXPECT_EQ(untouched.ClickingUrl.URL, "");
}

}  // namespace
}  // namespace reelcast::test
