// The script compiler: each construct's byte code, with branch targets
// checked by writing the actions and reading them back (the reader puts a
// marker "@" where every offset lands), and the errors that refuse a script.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "movie/ScriptCompiler.h"
#include "movie/MovieTestUtil.h"
#include "swf/SwfTestHelpers.h"

namespace reelcast {
namespace {

// Compiles, writes, reads back and lists the actions; "@" marks a position
// an offset points at.
std::string Compiled(const std::string& source) {
  TFlashActionScript as(nullptr);
  CompileScript(as, source);
  const std::string bytes = test::Written([&](TBitsEngine& be) { as.ActionList().WriteItems(be); });
  TMemoryStream ms;
  test::Fill(ms, bytes);
  TBitsEngine be(ms);
  TSWFActionList read;
  ReadActions(be, read, static_cast<int64_t>(bytes.size()));
  std::string out;
  for (size_t i = 0; i < read.Count(); ++i) {
    if (read[i]->ActionCode() == 0xFF) {
      auto* marker = static_cast<TSWFOffsetMarker*>(read[i]);
      EXPECT_EQ(marker->Name.rfind("Error", 0), std::string::npos) << marker->Name;
      out += "@ ";
      continue;
    }
    out += test::ActionLine(*read[i]) + "; ";
  }
  return out;
}

TEST(ScriptCompiler, ConstructsAndWhereTheirBranchesLand) {
  struct {
    const char* source;
    const char* listing;
  } cases[] = {
      {"x = 1;", "Push s:x i:1; SetVariable; "},
      {"a.b.c = 'v';",
       "Push s:a; GetVariable; Push s:b; GetMember; Push s:c s:v; SetMember; "},
      {"n += 0x10;", "Push s:n s:n; GetVariable; Push i:16; Add2; SetVariable; "},
      {"f(1, 'two');", "Push s:two i:1 i:2 s:f; CallFunction; Pop; "},
      {"o.m();", "Push i:0 s:o; GetVariable; Push s:m; CallMethod; Pop; "},
      {"s = new Sound(mc);",
       "Push s:s s:mc; GetVariable; Push i:1 s:Sound; NewObject; SetVariable; "},
      {"y = 2.5 * -z;",
       "Push s:y d:2.5 i:0 s:z; GetVariable; Subtract; Multiply; SetVariable; "},
      {"if (a < b) { stop(); } else { play(); }",
       "Push s:a; GetVariable; Push s:b; GetVariable; Less2; Not; If; "
       "Push i:0 s:stop; CallFunction; Pop; Jump; @ Push i:0 s:play; CallFunction; Pop; @ "},
      {"ok = a >= 1 && !b;",
       "Push s:ok s:a; GetVariable; Push i:1; Less2; Not; PushDuplicate; Not; If; Pop; "
       "Push s:b; GetVariable; Not; @ SetVariable; "},
      {"v = a || 'none';",
       "Push s:v s:a; GetVariable; PushDuplicate; If; Pop; Push s:none; @ SetVariable; "},
      {"t = c ? 1 : 2;",
       "Push s:t s:c; GetVariable; If; Push i:2; Jump; @ Push i:1; @ SetVariable; "},
      {"while (i < 3) { if (i == 2) { break; } i += 1; }",
       "@ Push s:i; GetVariable; Push i:3; Less2; Not; If; Push s:i; GetVariable; Push i:2; "
       "Equals2; Not; If; Jump; @ Push s:i s:i; GetVariable; Push i:1; Add2; SetVariable; Jump; "
       "@ @ "},
      {"g = function(p) { var q = p + 1; return q; };",
       "Push s:g; DefineFunction; Push s:q s:p; GetVariable; Push i:1; Add2; DefineLocal; "
       "Push s:q; GetVariable; Return; @ SetVariable; "},
      {"o = {a: 1, b: [true, null, undefined]};",
       "Push s:o s:a i:1 s:b u n b:1 i:3; InitArray; Push i:2; InitObject; SetVariable; "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    EXPECT_EQ(Compiled(c.source), c.listing);
  }
}

TEST(ScriptCompiler, RefusesBadScriptsNamingTheLineAndAppendsNothing) {
  const char* bad[] = {
      "x = ;",           "f(1;",         "\n\nbreak;",     "return 1;",   "a + 1 = 2;",
      "a = b = c;",      "s = 'open;",   "if (a) { x = 1;", "x = 0x;",    "/* never closed",
      "x = #;",          "var = 3;",
  };
  for (const char* source : bad) {
    SCOPED_TRACE(source);
    TFlashActionScript as(nullptr);
    try {
      CompileScript(as, source);
      ADD_FAILURE() << "accepted";
    } catch (const EScriptError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("script line ", 0), 0u) << e.what();
    }
    EXPECT_EQ(as.ActionList().Count(), 0u);
  }
  TFlashActionScript as(nullptr);
  try {
    CompileScript(as, "x = 1;\n\nbreak;");
  } catch (const EScriptError& e) {
    EXPECT_EQ(std::string(e.what()), "script line 3: 'break' outside a loop");
  }
}

}  // namespace
}  // namespace reelcast
