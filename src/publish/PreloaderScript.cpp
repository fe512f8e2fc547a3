#include "publish/PreloaderScript.h"

#include <cstdint>
#include <vector>

#include "publish/PreloaderLayout.h"

namespace reelcast {

namespace {

// Indices of the constant pool.
enum : int64_t {
  cTotal = 0,
  cRoot = 1,
  cGetBytesTotal = 2,
  cLoaded = 3,
  cGetBytesLoaded = 4,
  cPercent = 5,
  cLoadTxt = 6,
  cPrefix = 7,
  cSuffix = 8,
};

constexpr uint8_t kPushConstant8 = 8;
constexpr uint8_t kPushInteger = 7;

void PushConstants(TFlashActionScript& as, const std::vector<int64_t>& indices) {
  std::vector<TPushVariant> values(indices.begin(), indices.end());
  as.PushTypedValues(values, std::vector<uint8_t>(indices.size(), kPushConstant8));
}

void PushInteger(TFlashActionScript& as, int64_t value) {
  as.PushTypedValues({value}, {kPushInteger});
}

// variable = _root.method() with the names as pool indices.
void SetFromRootMethod(TFlashActionScript& as, int64_t variable, int64_t method) {
  PushConstants(as, {variable});
  as.PushVariant(0.0);  // no arguments
  PushConstants(as, {cRoot});
  as.GetVariable();
  PushConstants(as, {method});
  as.CallMethod();
  as.SetVariable();
}

// Pushes "this" and the member name, then a function body made by body,
// and sets the member to the function.
template <class Body>
void SetThisMemberFunction(TFlashActionScript& as, const std::string& member, Body body) {
  as.PushVariant(std::string("this"));
  as.GetVariable();
  as.PushVariant(member);
  TSWFActionDefineFunction* f = as.DefineFunction("", {}, nullptr);
  body();
  as.AddMarker(f->GetMarker(), false);
  as.SetMember();
}

}  // namespace

void AddPreloaderScript(TFlashActionScript& as, const std::string& caption) {
  const TCaptionParts parts = SplitCaption(caption);
  as.ConstantPool({"totalfrm", "_root", "getBytesTotal", "loadedfrm", "getBytesLoaded", "percent",
                   "vLoadTxt", parts.Prefix, parts.Suffix});
  for (const char* name : {"totalfrm", "loadedfrm", "percent"}) {
    as.PushVariant(std::string(name));
    as.DefineLocal2();
  }
  // The name pushes inside onLoad stay strings, as the declarations above.
  SetThisMemberFunction(as, "onLoad", [&] {
    as.PushVariant(std::string("totalfrm"));
    as.PushVariant(0.0);
    as.PushVariant(std::string("_root"));
    as.GetVariable();
    as.PushVariant(std::string("getBytesTotal"));
    as.CallMethod();
    as.SetVariable();
  });
  SetThisMemberFunction(as, "onEnterFrame", [&] {
    SetFromRootMethod(as, cTotal, cGetBytesTotal);
    SetFromRootMethod(as, cLoaded, cGetBytesLoaded);
    // percent = int(loadedfrm / totalfrm * 100)
    PushConstants(as, {cPercent, cLoaded});
    as.GetVariable();
    PushConstants(as, {cTotal});
    as.GetVariable();
    as.Divide();
    PushInteger(as, 100);
    as.Multiply();
    as.ToInteger();
    as.SetVariable();
    // _root.BarSprite.loading._xscale = percent: the bar grows from its left edge.
    as.PushVariant(std::string("_root"));
    as.GetVariable();
    as.PushVariant(std::string("BarSprite"));
    as.GetMember();
    as.PushVariant(std::string("loading"));
    as.GetMember();
    as.PushValues({std::string("_xscale"), std::string("percent")});
    as.GetVariable();
    as.SetMember();
    // vLoadTxt = Prefix + percent + Suffix
    PushConstants(as, {cLoadTxt, cPrefix});
    if (parts.HasPercent) {
      PushConstants(as, {cPercent});
      as.GetVariable();
      as.Add2();
      PushConstants(as, {cSuffix});
      as.Add2();
    }
    as.SetVariable();
    // if (loadedfrm == totalfrm) { delete this.onEnterFrame; this.gotoAndPlay(2); }
    // else this.stop();
    PushConstants(as, {cLoaded});
    as.GetVariable();
    PushConstants(as, {cTotal});
    as.GetVariable();
    as.Equals2();
    as.Not();
    TSWFActionIf* toElse = as.If();
    as.PushVariant(std::string("this"));
    as.GetVariable();
    as.PushVariant(std::string("onEnterFrame"));
    as.Delete();
    as.Pop();
    PushInteger(as, 2);
    PushInteger(as, 1);
    as.PushVariant(std::string("this"));
    as.GetVariable();
    as.PushVariant(std::string("gotoAndPlay"));
    as.CallMethod();
    as.Pop();
    TSWFActionJump* toEnd = as.Jump();
    as.AddMarker(toElse->GetMarker(), false);
    as.PushVariant(0.0);
    as.PushVariant(std::string("this"));
    as.GetVariable();
    as.PushVariant(std::string("stop"));
    as.CallMethod();
    as.Pop();
    as.AddMarker(toEnd->GetMarker(), false);
  });
}

}  // namespace reelcast
