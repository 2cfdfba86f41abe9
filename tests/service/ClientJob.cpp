#include "ClientJob.h"

namespace cw::testing {

int runClientJob(ServiceHandle *handle, const std::string &user, const std::string &session,
                 const std::string &audioPath, const std::string &textPath, int seconds,
                 subtitle_progress_fn progress, std::string *result)
{
    void *slot[2] = {nullptr, nullptr};
    TranscriptionInfo info{};
    info.duration = seconds;
    info.type = "talk.wav";
    info.progress_slot = slot;
    info.progress = progress;
    char *out = nullptr;  // the handle's, valid until subtitle_end
    const int rc = subtitle_audio(handle, user.c_str(), session.c_str(), audioPath.c_str(),
                                  textPath.empty() ? nullptr : textPath.c_str(), &info, &out);
    if (rc == 0 && out && result)
        *result = out;
    return rc;
}

}  // namespace cw::testing
