// The upload right after a conversion (convert --upload, or the stored
// "System.bUseFTP"): the files of the finished job go to the stored FTP
// server, as reelcast-cli upload sends them.
#pragma once

#include "convert/JobRecord.h"

namespace reelcast::cli {

// Sends the job's files (by param's output kind; the FLV beside a player
// movie that plays it) with the stored connection details. The exit code:
// 0 done, 1 failed or nothing stored to connect to, 130 cancelled.
int UploadJobOutput(const TSWFParam& param);

}  // namespace reelcast::cli
