#pragma once
// One transcription through the real client library, as the program sends it.

#include <voxlink.h>

#include <string>

namespace cw::testing {

// Sends `audioPath` (and `textPath` unless empty) as "talk.wav" of `seconds`;
// `result` receives the text on success. Returns the library's code.
int runClientJob(ServiceHandle *handle, const std::string &user, const std::string &session,
                 const std::string &audioPath, const std::string &textPath, int seconds,
                 subtitle_progress_fn progress, std::string *result);

}  // namespace cw::testing
