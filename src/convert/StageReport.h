// What a finishing stage of a conversion job gives back, and where it
// reports while it runs. The publishing routines report through the record
// they are given (TSWFParam::Report), so two jobs in one process never mix
// their progress; outside a job the record has no report and nothing is
// reported.
#pragma once

#include <string>

#include "convert/JobMessages.h"

namespace reelcast {

struct TSWFParam;

// Success, or a failure with its reason (naming the path concerned).
struct TStageResult {
  bool Ok = true;
  std::string Reason;

  static TStageResult Done() { return {}; }
  static TStageResult Failed(std::string reason) { return {false, std::move(reason)}; }
  explicit operator bool() const { return Ok; }
};

class TStageReport {
 public:
  virtual ~TStageReport() = default;
  // A stage notice (TJobEventKind::StageNotice) with its value.
  virtual void Notice(TStageNotice notice, int32_t value = 0) = 0;
  // Progress of writing a movie, 0..100 (TJobEventKind::MovieProgress).
  virtual void MovieProgress(int percent) = 0;
  // True once the job was cancelled; long steps then give up.
  virtual bool CancelRequested() const = 0;
};

// The same through a record whose Report may be null.
void ReportNotice(const TSWFParam& param, TStageNotice notice, int32_t value = 0);
bool JobCancelled(const TSWFParam& param);

}  // namespace reelcast
