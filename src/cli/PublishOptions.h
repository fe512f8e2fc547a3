// The publish options of the commands that make published movies (flv2swf,
// convert): how the movie is dressed (template, player settings, background,
// play mode, control bar, links, preloader) and what is delivered beside it
// (HTML page, projector).
// One parser serves every such command, so each gets the same options with
// the same meaning; a command passes every word it does not know itself to
// ParsePublishOption first.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/TitleOptions.h"
#include "convert/JobRecord.h"
#include "publish/HtmlPage.h"

namespace reelcast::cli {

// What the publish options say beyond the job record's own fields.
struct TPublishOptions {
  bool Html = false;        // also write the HTML page
  bool Projector = false;   // deliver a projector instead of the movie
  bool ListStyles = false;  // list the styles and stop
  bool BackgroundGiven = false;
  bool TemplateGiven = false;  // --template (param.Template holds the choice)
  THtmlPageOptions Page;
  TGeneralTemplateChoice General;  // the title movies of a general template
};

// The defaults of the publish fields of param before the options change
// them: the stored "Disable Audio" setting, "Auto Loop", a white text link
// in DejaVu Sans 14, no control bar, no link. The preloader fields keep what
// InitJobSettings read from the store.
void SetPublishDefaults(TSWFParam& param);

enum class TOptionResult {
  NotMine,  // args[i] is not a publish option; i is unchanged
  Taken,    // args[i] (and its value) was used; i is at the last word used
  Error,    // error says what is wrong
};

// Looks at args[i]; when it is a publish option, stores it in param and
// options and moves i past its value.
TOptionResult ParsePublishOption(const std::vector<std::string>& args, size_t& i,
                                 TPublishOptions& options, TSWFParam& param, std::string& error);

// The options' lines of the commands' --help.
void PrintPublishUsage(FILE* out);

// Prints the player templates, control-bar styles, preloader sprites and
// progress-bar styles, one "kind<TAB>name" line each; false (with the reason
// on stderr, after command) when the progress-bar styles cannot be read.
bool ListPublishStyles(const char* command);

// "RRGGBB" as a colour value (0x00BBGGRR); false when text is not six
// hexadecimal digits.
bool ParseColor(const std::string& text, uint32_t& color);

}  // namespace reelcast::cli
