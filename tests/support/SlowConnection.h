// A slow connection for movies played in the browser harness. The browser
// player starts a movie only once the whole file has arrived (served slowly,
// it only starts later), so the connection is simulated in the movie itself:
// an action put before its first script makes every clip's getBytesLoaded()
// report what the connection would have delivered since that action ran, at
// most getBytesTotal(), and holds the movie in its first frame as a player
// does while the next frame has not arrived. A preloader then shows and
// counts as it would on the web.
#pragma once

#include <filesystem>
#include <string>

namespace reelcast::test {

// The DoAction tag of that simulation for bytesPerSecond.
std::string SlowConnectionAction(int bytesPerSecond);
// Puts tag before the first DoAction of an uncompressed movie (test failure
// when the file is compressed or has no DoAction).
void PutBeforeFirstAction(const std::filesystem::path& file, const std::string& tag);
// Rewrites the movie at file (reelcast-cli swf rewrite --uncompress) so that
// it arrives over seconds of movie time.
void ArriveSlowly(const std::filesystem::path& file, double seconds);

}  // namespace reelcast::test
