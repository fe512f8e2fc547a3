// Actions without payload fields: the stack, arithmetic, string, property,
// object and timeline operations of SWF 3 to 7.
#pragma once

#include "swf/Actions.h"

namespace reelcast {

// X(class, code, group)
#define REELCAST_SIMPLE_ACTIONS(X)                       \
  X(TSWFActionNextFrame, 0x04, TSWFAction)               \
  X(TSWFActionPreviousFrame, 0x05, TSWFAction)           \
  X(TSWFActionPlay, 0x06, TSWFAction)                    \
  X(TSWFActionStop, 0x07, TSWFAction)                    \
  X(TSWFActionToggleQuality, 0x08, TSWFAction)           \
  X(TSWFActionStopSounds, 0x09, TSWFAction)              \
  X(TSWFActionAdd, 0x0A, TSWFAction4)                    \
  X(TSWFActionSubtract, 0x0B, TSWFAction4)               \
  X(TSWFActionMultiply, 0x0C, TSWFAction4)               \
  X(TSWFActionDivide, 0x0D, TSWFAction4)                 \
  X(TSWFActionEquals, 0x0E, TSWFAction4)                 \
  X(TSWFActionLess, 0x0F, TSWFAction4)                   \
  X(TSWFActionAnd, 0x10, TSWFAction4)                    \
  X(TSWFActionOr, 0x11, TSWFAction4)                     \
  X(TSWFActionNot, 0x12, TSWFAction4)                    \
  X(TSWFActionStringEquals, 0x13, TSWFAction4)           \
  X(TSWFActionStringLength, 0x14, TSWFAction4)           \
  X(TSWFActionStringExtract, 0x15, TSWFAction4)          \
  X(TSWFActionPop, 0x17, TSWFAction4)                    \
  X(TSWFActionToInteger, 0x18, TSWFAction4)              \
  X(TSWFActionGetVariable, 0x1C, TSWFAction4)            \
  X(TSWFActionSetVariable, 0x1D, TSWFAction4)            \
  X(TSWFActionSetTarget2, 0x20, TSWFAction4)             \
  X(TSWFActionStringAdd, 0x21, TSWFAction4)              \
  X(TSWFActionGetProperty, 0x22, TSWFAction4)            \
  X(TSWFActionSetProperty, 0x23, TSWFAction4)            \
  X(TSWFActionCloneSprite, 0x24, TSWFAction4)            \
  X(TSWFActionRemoveSprite, 0x25, TSWFAction4)           \
  X(TSWFActionTrace, 0x26, TSWFAction4)                  \
  X(TSWFActionStartDrag, 0x27, TSWFAction4)              \
  X(TSWFActionEndDrag, 0x28, TSWFAction4)                \
  X(TSWFActionStringLess, 0x29, TSWFAction4)             \
  X(TSWFActionFSCommand2, 0x2D, TSWFAction4)             \
  X(TSWFActionRandomNumber, 0x30, TSWFAction4)           \
  X(TSWFActionMBStringLength, 0x31, TSWFAction4)         \
  X(TSWFActionCharToAscii, 0x32, TSWFAction4)            \
  X(TSWFActionAsciiToChar, 0x33, TSWFAction4)            \
  X(TSWFActionGetTime, 0x34, TSWFAction4)                \
  X(TSWFActionMBStringExtract, 0x35, TSWFAction4)        \
  X(TSWFActionMBCharToAscii, 0x36, TSWFAction4)          \
  X(TSWFActionMBAsciiToChar, 0x37, TSWFAction4)          \
  X(TSWFActionWaitForFrame2, 0x8D, TSWFAction4)          \
  X(TSWFActionCall, 0x9E, TSWFAction4)                   \
  X(TSWFActionDelete, 0x3A, TSWFAction5)                 \
  X(TSWFActionDelete2, 0x3B, TSWFAction5)                \
  X(TSWFActionDefineLocal, 0x3C, TSWFAction5)            \
  X(TSWFActionCallFunction, 0x3D, TSWFAction5)           \
  X(TSWFActionReturn, 0x3E, TSWFAction5)                 \
  X(TSWFActionModulo, 0x3F, TSWFAction5)                 \
  X(TSWFActionNewObject, 0x40, TSWFAction5)              \
  X(TSWFActionDefineLocal2, 0x41, TSWFAction5)           \
  X(TSWFActionInitArray, 0x42, TSWFAction5)              \
  X(TSWFActionInitObject, 0x43, TSWFAction5)             \
  X(TSWFActionTypeOf, 0x44, TSWFAction5)                 \
  X(TSWFActionTargetPath, 0x45, TSWFAction5)             \
  X(TSWFActionEnumerate, 0x46, TSWFAction5)              \
  X(TSWFActionAdd2, 0x47, TSWFAction5)                   \
  X(TSWFActionLess2, 0x48, TSWFAction5)                  \
  X(TSWFActionEquals2, 0x49, TSWFAction5)                \
  X(TSWFActionToNumber, 0x4A, TSWFAction5)               \
  X(TSWFActionToString, 0x4B, TSWFAction5)               \
  X(TSWFActionPushDuplicate, 0x4C, TSWFAction5)          \
  X(TSWFActionStackSwap, 0x4D, TSWFAction5)              \
  X(TSWFActionGetMember, 0x4E, TSWFAction5)              \
  X(TSWFActionSetMember, 0x4F, TSWFAction5)              \
  X(TSWFActionIncrement, 0x50, TSWFAction5)              \
  X(TSWFActionDecrement, 0x51, TSWFAction5)              \
  X(TSWFActionCallMethod, 0x52, TSWFAction5)             \
  X(TSWFActionNewMethod, 0x53, TSWFAction5)              \
  X(TSWFActionBitAnd, 0x60, TSWFAction5)                 \
  X(TSWFActionBitOr, 0x61, TSWFAction5)                  \
  X(TSWFActionBitXor, 0x62, TSWFAction5)                 \
  X(TSWFActionBitLShift, 0x63, TSWFAction5)              \
  X(TSWFActionBitRShift, 0x64, TSWFAction5)              \
  X(TSWFActionBitURShift, 0x65, TSWFAction5)             \
  X(TSWFActionInstanceOf, 0x54, TSWFAction6)             \
  X(TSWFActionEnumerate2, 0x55, TSWFAction6)             \
  X(TSWFActionStrictEquals, 0x66, TSWFAction6)           \
  X(TSWFActionGreater, 0x67, TSWFAction6)                \
  X(TSWFActionStringGreater, 0x68, TSWFAction6)          \
  X(TSWFActionThrow, 0x2A, TSWFAction7)                  \
  X(TSWFActionCastOp, 0x2B, TSWFAction7)                 \
  X(TSWFActionImplementsOp, 0x2C, TSWFAction7)           \
  X(TSWFActionExtends, 0x69, TSWFAction7)

#define REELCAST_DECLARE_SIMPLE_ACTION(Name, Code, Group)                 \
  class Name : public Group {                                            \
   public:                                                               \
    static constexpr uint8_t Code_ = Code;                               \
    Name() : Group(Code) {}                                              \
    const char* ClassName() const override { return #Name; }             \
  };
REELCAST_SIMPLE_ACTIONS(REELCAST_DECLARE_SIMPLE_ACTION)
#undef REELCAST_DECLARE_SIMPLE_ACTION

}  // namespace reelcast
