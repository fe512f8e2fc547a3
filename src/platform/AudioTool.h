// The music tool and the audio length reader.
//
// The music tool mixes the entries of a mixing script (XML, root
// "AudioToolX") onto one time line and encodes the mix as MP3: each Music
// entry plays the part MediaTime of its File at the place Time of the output,
// at its Volume (percent; the track's and the whole mix's Volume scale it
// too); an entry without a file is silence. MP3 and WAV files (anything
// libavformat reads) are decoded and resampled; the mix is encoded with
// libmp3lame. Times in the script are 100-ns units.
//
// The calls keep one loaded script per process, as the program uses them:
// load, set the progress procedure and the bit rate, start the output, wait
// for it, free everything.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace reelcast {

// Called from the encoding thread with the percentage done (0..100); return
// -1 to go on, 0 to cancel the output.
using TAudioProgressProc = std::function<int(int percent)>;

// Loads a mixing script for output at sampleRate Hz (stereo). 0 on success;
// non-zero when the file cannot be read or is not a mixing script.
int AudioUtilLoadXmlFile(int sampleRate, const std::string& xmlPath);
void AudioUtilSetProgressProc(TAudioProgressProc proc);
// The MP3 bit rate in kbit/s (128 unless set).
void AudioSetEncoderBitrate(int kbps);
// Starts encoding the loaded script into an MP3 file on a worker thread.
// Returns a positive job value for AudioUtilWaitForComplete, or a negative
// value when nothing is loaded.
int AudioUtilOutputMp3(const std::string& mp3Path);
// Waits for that output to end: 0 when the file was written; non-zero after
// a failure or a cancel (the partial file is then removed).
int AudioUtilWaitForComplete(int job);
// Why the last load or output failed.
std::string AudioUtilLastError();
// Waits for a running output and forgets the script and the settings.
void AudioUtilFreeAll();

// The audio length reader: SetMediaFile opens a file (false when it holds
// no audio), GetAudioLength gives the length of its first audio stream in
// 100-ns units, FreeMedia closes it. One file at a time per process.
bool SetMediaFile(const std::string& path);
bool GetAudioLength(int64_t* length);
void FreeMedia();

}  // namespace reelcast
