// Writes ActionScript byte code from script text: a small language with the
// shape of ActionScript 1 (var, function, if/else, while, for, break,
// return; calls, methods, new, member access, object and array literals;
// arithmetic, comparison and logical operators) compiled through
// TFlashActionScript. It lets the program's data movies (the players and
// their shared scripts) be written as readable scripts instead of one
// builder call per action.
//
// Names are looked up at run time as the player does (GetVariable through
// the scope chain); "var" inside a function declares a local. Assignments are
// statements, not expressions ("a = b = c" is refused); "x += e" and
// "x -= e" are supported.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "movie/FlashActionScript.h"

namespace reelcast {

class EScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Appends the byte code of source to as. A syntax error throws EScriptError
// naming the line; nothing is appended then.
void CompileScript(TFlashActionScript& as, std::string_view source);

}  // namespace reelcast
