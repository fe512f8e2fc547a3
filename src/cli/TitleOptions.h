// The general-template options of the publishing commands: the template
// and the four title texts of its opening and ending movies with their
// effects and fonts. Values not given keep the stored settings.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "convert/ConvertService.h"
#include "publish/TitleMovies.h"

namespace reelcast::cli {

struct TGeneralTemplateChoice {
  bool Loaded = false;    // Titles holds the stored settings
  TTitleSettings Titles;  // the stored settings with the options applied
};

// Fills choice.Titles from the stored settings (writing the missing effect
// and font defaults first, as the front end does), once. Needs the
// settings store.
void LoadStoredTitles(TGeneralTemplateChoice& choice);

// The hooks of the Convert checks for a general template: reading the
// template's image area, and loading choice's titles (the job renders the
// title movies with them, PublishSteps).
void WireGeneralTemplate(TConvertHost& host, TGeneralTemplateChoice& choice);

// When args[i] is one of the title options, consumes it (and its value,
// advancing i) into choice and returns true; error is set when its value is
// wrong. Returns false for any other word.
bool ParseTitleOption(const std::vector<std::string>& args, size_t& i, TGeneralTemplateChoice& choice,
                      std::string& error);

// The option lines of the usage text.
void PrintTitleOptionsUsage(FILE* out);

}  // namespace reelcast::cli
